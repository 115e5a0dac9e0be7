// The ID box: the typing filter, the normalisation at each key release, and
// the intake of an ID that another program puts on the clipboard.
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

#include "app/id_number.h"
#include "app/main_window.h"
#include "framework/error_guard.h"

namespace vantora {

namespace {

// Keys from Qt::Key_Escape on type no character of their own (arrows, Delete,
// Home, function keys); the unknown key carries whatever text it is given.
bool TypesNoCharacter(int key) { return key >= Qt::Key_Escape && key != Qt::Key_unknown; }

bool IsLineEnd(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

// Inserts what survived the filter from a key that typed several characters
// at once; control characters among them have no place in the text.
void InsertPrintable(QLineEdit& box, const std::u32string& kept) {
  std::u32string printable;
  std::copy_if(kept.begin(), kept.end(), std::back_inserter(printable), [](char32_t c) { return c >= 0x20; });
  if (!printable.empty()) box.insert(QString::fromStdU32String(printable));
}

}  // namespace

bool TMain::eventFilter(QObject* watched, QEvent* event) {
  bool swallowed = false;
  Guarded([&] {
    if (watched == Edit1) {
      if (event->type() == QEvent::KeyPress) {
        swallowed = FilterIdKeyPress(*static_cast<QKeyEvent*>(event));
      } else if (event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        Edit1KeyUp(key->key(), key->modifiers());
      } else if (event->type() == QEvent::InputMethod) {
        swallowed = FilterIdInputMethod(*static_cast<QInputMethodEvent*>(event));
      }
    } else if (event->type() == QEvent::MouseMove) {
      // The button sees pointer motion only while it is enabled. Qt passes
      // motion a control ignores on to its parent; only motion over the bare
      // surface itself counts as the window's own.
      auto* move = static_cast<QMouseEvent*>(event);
      if (watched == BitBtn1 && BitBtn1->isEnabled()) BitBtn1MouseMove();
      if (watched == Client && Client->childAt(move->position().toPoint()) == nullptr) FormMouseMove();
    }
  });
  return swallowed || QWidget::eventFilter(watched, event);
}

// True when the key press must not reach the box.
bool TMain::FilterIdKeyPress(QKeyEvent& event) {
  const int key = event.key();
  if (key == Qt::Key_Tab || key == Qt::Key_Backtab) return false;  // focus moves on
  // A Ctrl chord on a character key types a control character (Ctrl+V is
  // 0x16), which the filter discards: the box's copy, cut, paste and undo
  // chords do nothing. Chords on other keys (Ctrl+Left) are no characters.
  if (event.modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) {
    return !TypesNoCharacter(key) || key == Qt::Key_Backspace || IsLineEnd(key);
  }
  std::u32string typed;
  if (key == Qt::Key_Backspace) {
    typed = U"\b";
  } else if (IsLineEnd(key)) {
    typed = U"\r";
  } else if (TypesNoCharacter(key) || event.text().isEmpty()) {
    return false;
  } else {
    typed = event.text().toStdU32String();
  }
  std::u32string kept;
  for (char32_t c : typed) {
    Edit1KeyPress(c);
    if (c != 0) kept += c;
  }
  if (kept == typed) return false;
  InsertPrintable(*Edit1, kept);
  return true;
}

// Input methods are off for the box; should a composed string arrive all
// the same, it passes the same filter as typed characters.
bool TMain::FilterIdInputMethod(QInputMethodEvent& event) {
  std::u32string committed = event.commitString().toStdU32String();
  std::u32string kept;
  for (char32_t c : committed) {
    Edit1KeyPress(c);
    if (c != 0) kept += c;
  }
  if (kept == committed && event.preeditString().isEmpty()) return false;
  InsertPrintable(*Edit1, kept);
  return true;
}

void TMain::Edit1KeyPress(char32_t& key) {
  if (!IsIdCharacter(key)) key = 0;
}

void TMain::Edit1KeyUp(int /*key*/, Qt::KeyboardModifiers /*shift*/) {
  std::string text = Edit1Text();
  std::string normalised = NormaliseId(text);
  if (normalised == text) return;
  int cursor = Edit1->cursorPosition();
  SetEdit1Text(normalised);
  Edit1->setCursorPosition(std::min(cursor, static_cast<int>(Edit1->text().size())));
}

// The clipboard changed: text starting with "photo" carries an ID for the
// box. It goes in as it is; the next key release or the save normalises it.
void TMain::ClipboardChanged() {
  const QMimeData* offered = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
  if (offered == nullptr || !offered->hasText()) return;
  if (auto id = ClipboardIdText(offered->text().toStdString())) SetEdit1Text(*id);
}

}  // namespace vantora
