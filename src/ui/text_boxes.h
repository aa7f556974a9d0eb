#pragma once
// The text inputs of the editors: description boxes and line edits.

class QPlainTextEdit;
class QWidget;

namespace ostrel {

// A description box wraps its lines at words (a word longer than the box
// at the box's edge) and shows a vertical scroll bar only when the text
// needs one; it never scrolls sideways.
void setUpDescriptionBox(QPlainTextEdit* box);

// Puts the cursor of every line edit of the window at the start of its
// text, so a text longer than its box shows its first letters (a line
// edit given a text puts its cursor at the end and scrolls there). The
// line edits inside spin, date and combo boxes are theirs and left alone.
// Called once an editor's fields are filled.
void showLineEditsFromStart(QWidget* window);

}  // namespace ostrel
