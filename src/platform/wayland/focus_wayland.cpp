#include "platform/wayland/focus_wayland.h"

#include <wlr-foreign-toplevel-management-unstable-v1-client-protocol.h>

namespace zorvel {
namespace {

void Ignore(void*, zwlr_foreign_toplevel_handle_v1*, const char*) {}
void IgnoreOutput(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
void IgnoreParent(void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {}

}  // namespace

TFocusWatch::TFocusWatch(TWaylandConnection& connection) : connection_(connection) {
  manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
      connection_.Bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
  if (!manager_) return;
  static const zwlr_foreign_toplevel_manager_v1_listener listener = {&TFocusWatch::OnToplevel,
                                                                     &TFocusWatch::OnFinished};
  zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &listener, this);
  connection_.Roundtrip();
}

TFocusWatch::~TFocusWatch() {
  for (const auto& [handle, state] : handles_) zwlr_foreign_toplevel_handle_v1_destroy(handle);
  if (manager_) zwlr_foreign_toplevel_manager_v1_stop(manager_);
}

bool TFocusWatch::AnyActive() {
  connection_.Roundtrip();
  for (const auto& [handle, state] : handles_)
    if (state.activated) return true;
  return false;
}

void TFocusWatch::OnToplevel(void* data, zwlr_foreign_toplevel_manager_v1*,
                             zwlr_foreign_toplevel_handle_v1* handle) {
  auto* self = static_cast<TFocusWatch*>(data);
  static const zwlr_foreign_toplevel_handle_v1_listener listener = {Ignore,
                                                                    Ignore,
                                                                    IgnoreOutput,
                                                                    IgnoreOutput,
                                                                    &TFocusWatch::OnState,
                                                                    &TFocusWatch::OnDone,
                                                                    &TFocusWatch::OnClosed,
                                                                    IgnoreParent};
  self->handles_[handle] = {};
  zwlr_foreign_toplevel_handle_v1_add_listener(handle, &listener, self);
}

void TFocusWatch::OnFinished(void* data, zwlr_foreign_toplevel_manager_v1*) {
  auto* self = static_cast<TFocusWatch*>(data);
  zwlr_foreign_toplevel_manager_v1_destroy(self->manager_);
  self->manager_ = nullptr;
}

void TFocusWatch::OnState(void* data, zwlr_foreign_toplevel_handle_v1* handle, wl_array* state) {
  auto* self = static_cast<TFocusWatch*>(data);
  bool activated = false;
  const auto* values = static_cast<const uint32_t*>(state->data);
  for (size_t i = 0; i < state->size / sizeof(uint32_t); ++i)
    activated = activated || values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
  self->handles_[handle].activatedPending = activated;
}

void TFocusWatch::OnDone(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
  auto& entry = static_cast<TFocusWatch*>(data)->handles_[handle];
  entry.activated = entry.activatedPending;
}

void TFocusWatch::OnClosed(void* data, zwlr_foreign_toplevel_handle_v1* handle) {
  static_cast<TFocusWatch*>(data)->handles_.erase(handle);
  zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

}  // namespace zorvel
