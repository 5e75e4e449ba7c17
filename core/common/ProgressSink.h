#pragma once
// The port through which long computations (the Marquardt iteration, the
// permutation test) show progress, let the user interface breathe and learn
// that the user pressed Cancel.
#include <string>

namespace kurvex {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // Clears the cancel flag, sets the caption, sets the bar to 0 and shows the window.
    virtual void StartProgress(const std::string& caption) = 0;
    // Lets pending window messages run, then sets the bar (0..100).
    virtual void SetProgress(int percent) = 0;
    virtual void SetComment(const std::string& text) = 0;
    virtual bool Cancelled() const = 0;
    // Lets pending window messages run without changing the bar.
    virtual void ProcessPendingEvents() {}
    // Hides the progress window at the end of a computation.
    virtual void FinishProgress() {}
};

// A sink that shows nothing; Cancel() sets the flag, as a test or a signal handler would.
class SilentProgressSink : public ProgressSink {
public:
    void StartProgress(const std::string& caption) override {
        cancelled_ = false;
        caption_ = caption;
        percent_ = 0;
    }
    void SetProgress(int percent) override { percent_ = percent; }
    void SetComment(const std::string&) override {}
    bool Cancelled() const override { return cancelled_; }

    void Cancel() { cancelled_ = true; }
    const std::string& Caption() const { return caption_; }
    int Percent() const { return percent_; }

private:
    bool cancelled_ = false;
    std::string caption_;
    int percent_ = 0;
};

}  // namespace kurvex
