#pragma once

// How controllers ask and tell the user: a small interface, answered by message boxes in the
// program and by a script in tests, so no modal box ever blocks a test.

#include <deque>
#include <string>
#include <vector>

class QWidget;

namespace zorvel {

class IPrompt {
 public:
  virtual ~IPrompt() = default;
  // Yes/No question with a question icon; true for Yes. The default button (Return) is Yes, or
  // No when `defaultYes` is false.
  virtual bool Question(const std::string& caption, const std::string& text,
                        bool defaultYes = true) = 0;
  // OK box with a warning icon.
  virtual void Warning(const std::string& caption, const std::string& text) = 0;
  // Plain OK box.
  virtual void Message(const std::string& caption, const std::string& text) = 0;
  // File-open dialog; `filter` as Qt writes it ("Bitmaps (*.bmp)"). Empty when cancelled.
  virtual std::string OpenFile(const std::string& title, const std::string& filter) = 0;
};

// The program's prompt: QMessageBox and QFileDialog, modal to `parent`.
class TBoxPrompt : public IPrompt {
 public:
  explicit TBoxPrompt(QWidget* parent = nullptr) : parent_(parent) {}

  bool Question(const std::string& caption, const std::string& text,
                bool defaultYes = true) override;
  void Warning(const std::string& caption, const std::string& text) override;
  void Message(const std::string& caption, const std::string& text) override;
  std::string OpenFile(const std::string& title, const std::string& filter) override;

 private:
  QWidget* parent_;
};

}  // namespace zorvel
