#pragma once

#include <memory>

#include "gui/recording/record_services.h"

class QWidget;

namespace zorvel {

// Opens the recording window modally on `macro`, or on a new macro when `macro` is null.
// Returns the macro when OK saved it (for New, the newly created macro), null otherwise.
// Every close reloads an existing macro from its document.
std::shared_ptr<TActionCtrl> ShowRecordView(TRecordServices services,
                                            std::shared_ptr<TActionCtrl> macro, QWidget* parent);

}  // namespace zorvel
