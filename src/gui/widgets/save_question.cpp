#include "gui/widgets/save_question.h"

#include "common/atomic_file.h"
#include "gui/widgets/prompt.h"

namespace zorvel {

bool SaveAskingBeforeReplacing(IPrompt& prompt, const std::string& name,
                               const std::function<void(TActionCtrl::TOverwrite)>& save) {
  try {
    save(TActionCtrl::TOverwrite::IfUnchanged);
    return true;
  } catch (const FileChangedError& error) {
    if (!prompt.Question("Warning", std::string(error.what()) +
                                        "\nDo you want to replace it with "
                                        "the macro \"" +
                                        name + "\" as shown here?"))
      return false;
  }
  save(TActionCtrl::TOverwrite::Always);
  return true;
}

}  // namespace zorvel
