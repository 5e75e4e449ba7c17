#pragma once

// SVG output in which text is drawn as filled glyph outlines instead of
// <text> elements, so that it looks the same without the fonts installed.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <functional>

class QPaintDevice;

namespace kurvex::gui {

// Calls `draw` with a paint device of `size` pixels and returns the SVG
// document it produced.
QByteArray RenderOutlinedSvg(const QSize& size, const QString& title, const std::function<void(QPaintDevice*)>& draw);

}  // namespace kurvex::gui
