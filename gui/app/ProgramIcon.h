#pragma once
// The program's own icon (gui/resources/kurvex.svg), for every window and
// the about box.
#include <QIcon>

namespace kurvex::gui {

// Drawn from the SVG at the usual icon sizes, so no image plugin is needed.
QIcon ProgramIcon();
// Makes it the icon of every window of the application.
void InstallProgramIcon();

}  // namespace kurvex::gui
