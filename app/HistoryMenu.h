#pragma once
// The grid menu's entries for the history of the lines: the current line's
// history (F7) and the deleted lines to bring one back (Shift+F7). Their keys
// work anywhere in the window; no control of the window moves.

class TForm1;

namespace HistoryMenu {

void add(TForm1& form);
// What the entries run.
void showLineHistory(TForm1& form);
void showDeletedLines(TForm1& form);

} // namespace HistoryMenu
