#pragma once

// Saving a macro over a document that another program changed since it was read: the user is
// asked before that document is replaced.

#include <functional>
#include <string>

#include "model/action_ctrl.h"

namespace zorvel {

class IPrompt;

// Runs `save` with IfUnchanged. When that is refused because the document on the disk changed,
// asks whether to replace it and on Yes runs `save` again with Always. True when saved, false when
// the user kept the other version. Other errors are thrown on.
bool SaveAskingBeforeReplacing(IPrompt& prompt, const std::string& name,
                               const std::function<void(TActionCtrl::TOverwrite)>& save);

}  // namespace zorvel
