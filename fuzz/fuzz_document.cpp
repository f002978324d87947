// Feeds arbitrary bytes to the macro document reader and, when they are accepted, writes the
// macro back and reads it again: the second read must give the same macro.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "model/action_ctrl.h"
#include "model/xml_document.h"

namespace {

bool SameActions(const zorvel::TActionList& a, const zorvel::TActionList& b) {
  if (a.Count() != b.Count()) return false;
  for (size_t i = 0; i < a.Count(); ++i) {
    const auto& x = *a.Get(i);
    const auto& y = *b.Get(i);
    if (x.mouseClickPosX != y.mouseClickPosX || x.fColor != y.fColor || x.fBMP != y.fBMP ||
        x.typeText != y.typeText || x.delay != y.delay || x.key != y.key ||
        x.actionType != y.actionType || x.screenType != y.screenType ||
        x.keyAction != y.keyAction || x.mousePoint != y.mousePoint)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zorvel::TXMLDocument document;
  zorvel::TActionCtrl macro(document, ".");
  try {
    document.LoadFromBuffer(data, size);
    pugi::xml_node root = document.DocumentElement();
    if (!zorvel::TXMLDocument::HasAttribute(root, "Zorvel")) return 0;
    macro.ReadFromNode(root);
  } catch (const zorvel::Error&) {
    return 0;
  }
  // Round trip through the writer.
  document.ResetToText("<?xml version=\"1.0\" encoding=\"utf-8\"?><zorvel Zorvel=\"1.1\"/>");
  macro.WriteToNode(document.DocumentElement());
  std::string text = document.SaveToString();
  zorvel::TActionCtrl again(document, ".");
  document.LoadFromBuffer(text.data(), text.size());
  again.ReadFromNode(document.DocumentElement());
  if (again.FName != macro.FName || again.FCreateTime != macro.FCreateTime ||
      !(again.Config == macro.Config) || !(again.Schedule == macro.Schedule) ||
      !SameActions(again.Actions, macro.Actions))
    std::abort();
  // Using a picture must never crash, whatever fBMP holds.
  for (const auto& action : macro.Actions) {
    try {
      action->GetBMPData();
    } catch (const zorvel::Error&) {
    }
  }
  return 0;
}
