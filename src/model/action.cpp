#include "model/action.h"

#include "common/error.h"
#include "model/xml_values.h"

namespace zorvel {
namespace {

void ReadWaitTimeout(pugi::xml_attribute attribute, int32_t& field) {
  int32_t value = field;
  ReadIntAttribute(attribute, "waitTimeout", value);
  if (value < 0)
    throw Error("attribute waitTimeout holds \"" + std::string(attribute.value()) +
                "\", which is not 0 or more milliseconds");
  field = value;
}

void ReadNotFound(pugi::xml_attribute attribute, NotFoundChoice& field) {
  if (!attribute) return;
  const std::string text = attribute.value();
  if (text == "skip")
    field = NotFoundChoice::Skip;
  else if (text == "stop")
    field = NotFoundChoice::Stop;
  else
    throw Error("attribute notFound holds \"" + text.substr(0, 40) +
                "\", which is neither skip nor stop");
}

}  // namespace

TActionPtr ReadAction(pugi::xml_node element) {
  auto action = std::make_shared<TActionObj>();
  TActionObj& a = *action;
  // Attributes are looked up by name; the hint makes the lookups cheap in the written order.
  pugi::xml_attribute hint = element.first_attribute();
  auto at = [&](const char* name) { return element.attribute(name, hint); };
  ReadIntAttribute(at("mouseClickPosX"), "mouseClickPosX", a.mouseClickPosX);
  ReadIntAttribute(at("mouseClickPosY"), "mouseClickPosY", a.mouseClickPosY);
  ReadTextAttribute(at("fColor"), a.fColor);
  ReadTextAttribute(at("fBMP"), a.fBMP);
  ReadIntAttribute(at("fColorSimplar"), "fColorSimplar", a.fColorSimplar);
  ReadIntAttribute(at("fBMPSimplar"), "fBMPSimplar", a.fBMPSimplar);
  ReadIntAttribute(at("mouseMovePosX"), "mouseMovePosX", a.mouseMovePosX);
  ReadIntAttribute(at("mouseMovePosY"), "mouseMovePosY", a.mouseMovePosY);
  ReadIntAttribute(at("key"), "key", a.key);
  ReadTextAttribute(at("typeText"), a.typeText);
  ReadIntAttribute(at("delay"), "delay", a.delay);
  ReadCodeAttribute(at("actionType"), "actionType", a.actionType);
  ReadCodeAttribute(at("mouseButton"), "mouseButton", a.mouseButton);
  ReadCodeAttribute(at("mouseAction"), "mouseAction", a.mouseAction);
  ReadCodeAttribute(at("mousePoint"), "mousePoint", a.mousePoint);
  ReadCodeAttribute(at("keyAction"), "keyAction", a.keyAction);
  ReadCodeAttribute(at("screenType"), "screenType", a.screenType);
  ReadFlagAttribute(at("typeReturn"), "typeReturn", a.typeReturn);
  ReadWaitTimeout(at("waitTimeout"), a.waitTimeout);
  ReadNotFound(at("notFound"), a.notFound);
  return action;
}

void WriteAction(const TActionObj& a, pugi::xml_node parent) {
  pugi::xml_node item = parent.append_child("item");
  WriteIntAttribute(item, "mouseClickPosX", a.mouseClickPosX);
  WriteIntAttribute(item, "mouseClickPosY", a.mouseClickPosY);
  WriteTextAttribute(item, "fColor", a.fColor);
  WriteTextAttribute(item, "fBMP", a.fBMP);
  WriteIntAttribute(item, "fColorSimplar", a.fColorSimplar);
  WriteIntAttribute(item, "fBMPSimplar", a.fBMPSimplar);
  WriteIntAttribute(item, "mouseMovePosX", a.mouseMovePosX);
  WriteIntAttribute(item, "mouseMovePosY", a.mouseMovePosY);
  WriteIntAttribute(item, "key", a.key);
  WriteTextAttribute(item, "typeText", a.typeText);
  WriteIntAttribute(item, "delay", a.delay);
  WriteIntAttribute(item, "actionType", a.actionType);
  WriteIntAttribute(item, "mouseButton", a.mouseButton);
  WriteIntAttribute(item, "mouseAction", a.mouseAction);
  WriteIntAttribute(item, "mousePoint", a.mousePoint);
  WriteIntAttribute(item, "keyAction", a.keyAction);
  WriteIntAttribute(item, "screenType", a.screenType);
  if (!a.typeReturn) WriteIntAttribute(item, "typeReturn", 0);
  if (a.waitTimeout != 0) WriteIntAttribute(item, "waitTimeout", a.waitTimeout);
  if (a.notFound == NotFoundChoice::Stop) WriteTextAttribute(item, "notFound", "stop");
}

void TActionList::ReadFromNode(pugi::xml_node element) {
  Clear();
  size_t position = 0;
  for (pugi::xml_node child : element.children()) {
    if (child.type() != pugi::node_element) continue;  // whitespace, comments
    ++position;
    try {
      Add(ReadAction(child));
    } catch (const Error& error) {
      throw Error("item " + std::to_string(position) + ": " + error.what());
    }
  }
}

void TActionList::WriteToNode(pugi::xml_node element) const {
  element.remove_children();
  for (const auto& action : *this) WriteAction(*action, element);
}

}  // namespace zorvel
