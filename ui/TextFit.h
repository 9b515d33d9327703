#pragma once
// Text that must be read whole. A number cut off at either end reads as
// another number (93646542.25 for 1593646542.25), and a caption cut off reads
// as nothing. While such a text is wider than the room its widget gives it,
// the widget's font shrinks, down to a floor that is still readable; it comes
// back to the widget's own font once the text fits again.
//
// Call these after the widget's own font is set: that font is the largest
// one used. Called on the GUI thread only.

class QLineEdit;
class QPushButton;
class QString;

namespace TextFit {

// Follows every change of the field's text and size.
void keepWhole(QLineEdit* field);
// Fits the button's caption to its present size; captions do not change.
void fitCaption(QPushButton* button);

// The width, in pixels, a line edit gives its text without scrolling it.
int textRoom(const QLineEdit* field);
// The width, in pixels, a push button gives its caption.
int captionRoom(const QPushButton* button);

} // namespace TextFit
