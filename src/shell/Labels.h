#pragma once
// Labels of the program's windows.

class QLabel;
class QWidget;

namespace pellvane {

// A wrapping label that shows its text as plain text: messages can carry text read from the
// file (software names), which must never be taken as markup.
QLabel* PlainLabel(QWidget* parent, const char* name);

} // namespace pellvane
