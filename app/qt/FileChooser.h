#pragma once

#include <optional>
#include <string>

class QWidget;

namespace orvane {

// Asks the operator for one firmware script, modally on the window's thread; `owner` is the
// window that owns the chooser. Returns the file's full path, or nothing when the operator
// cancelled (or the chooser failed). One file, filters shown as "(*.txt)" (the first, selected at
// the start) and
// "(*.*)" (every file), no default extension, no initial name, a typed name of a missing file
// accepted. Uses Qt's own dialog so that the filter names read exactly so on every desktop.
std::optional<std::string> ChooseScriptFile(QWidget* owner);

}  // namespace orvane
