#pragma once

#include <deque>
#include <string>
#include <vector>

#include "gui/widgets/prompt.h"

namespace zorvel {

// A prompt for tests: answers are queued in advance and every request is recorded.
// A question with no queued answer is answered No; a file request with none gets "".
class TScriptedPrompt : public IPrompt {
 public:
  struct TAsked {
    std::string kind;  // "Question", "Warning", "Message" or "OpenFile"
    std::string caption;
    std::string text;        // for OpenFile: the filter
    bool defaultNo = false;  // a question whose default button is No
    bool operator==(const TAsked&) const = default;
  };

  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  void QueueFile(std::string path) { files_.push_back(std::move(path)); }
  const std::vector<TAsked>& Asked() const { return asked_; }
  void ClearAsked() { asked_.clear(); }

  bool Question(const std::string& caption, const std::string& text,
                bool defaultYes = true) override;
  void Warning(const std::string& caption, const std::string& text) override;
  void Message(const std::string& caption, const std::string& text) override;
  std::string OpenFile(const std::string& title, const std::string& filter) override;

 private:
  std::deque<bool> answers_;
  std::deque<std::string> files_;
  std::vector<TAsked> asked_;
};

inline bool TScriptedPrompt::Question(const std::string& caption, const std::string& text,
                                      bool defaultYes) {
  asked_.push_back({"Question", caption, text, !defaultYes});
  if (answers_.empty()) return false;
  const bool yes = answers_.front();
  answers_.pop_front();
  return yes;
}

inline void TScriptedPrompt::Warning(const std::string& caption, const std::string& text) {
  asked_.push_back({"Warning", caption, text});
}

inline void TScriptedPrompt::Message(const std::string& caption, const std::string& text) {
  asked_.push_back({"Message", caption, text});
}

inline std::string TScriptedPrompt::OpenFile(const std::string& title, const std::string& filter) {
  asked_.push_back({"OpenFile", title, filter});
  if (files_.empty()) return {};
  std::string path = files_.front();
  files_.pop_front();
  return path;
}

}  // namespace zorvel
