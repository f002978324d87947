#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace zorvel {

class TBDBitmapData;

enum class ActionType : uint8_t {
  MouseClick = 0,
  MouseMove = 1,
  Keyboard = 2,
  TypeText = 3,
  Delay = 4
};
enum class MouseButton : uint8_t { Left = 0, Right = 1, Middle = 2 };
enum class MouseAction : uint8_t {
  SingleClick = 0,
  DoubleClick = 1,
  ButtonDown = 2,
  ButtonUp = 3,
  Wheel = 4
};
enum class MousePoint : uint8_t { CurrentPoint = 0, FixedPoint = 1, ColorBlock = 2, Picture = 3 };
enum class KeyAction : uint8_t { KeyDown = 0, KeyUp = 1, KeyPress = 2 };
// What a colour or picture click does when its target is not on the screen.
enum class NotFoundChoice : uint8_t { Skip = 0, Stop = 1 };

// One step of a macro. Every field is kept, read and written whatever the kind; the codes are
// stored as raw bytes so that values from a hand-edited document survive a round trip.
class TMouseObj {
 public:
  virtual ~TMouseObj() = default;

  int32_t mouseClickPosX = 0;
  int32_t mouseClickPosY = 0;
  std::string fColor = "clBlack";
  std::string fBMP;
  int32_t fColorSimplar = 100;
  int32_t fBMPSimplar = 100;
  int32_t mouseMovePosX = 0;
  int32_t mouseMovePosY = 0;
  int32_t key = 0;
  std::string typeText;
  int32_t delay = 1000;
  uint8_t actionType = static_cast<uint8_t>(ActionType::MouseClick);
  uint8_t mouseButton = static_cast<uint8_t>(MouseButton::Left);
  uint8_t mouseAction = static_cast<uint8_t>(MouseAction::SingleClick);
  uint8_t mousePoint = static_cast<uint8_t>(MousePoint::CurrentPoint);
  uint8_t keyAction = static_cast<uint8_t>(KeyAction::KeyPress);
  uint8_t screenType = 0;
  // Type Text: Return follows the text. Stored only when off (typeReturn="0"), so documents
  // that keep it on are written as before.
  bool typeReturn = true;
  // Colour and picture clicks: how long to wait for the target in milliseconds (0 = look once),
  // and what to do when it does not show. Stored only when not 0 and skip.
  int32_t waitTimeout = 0;
  NotFoundChoice notFound = NotFoundChoice::Skip;

  // Cache of the decoded fBMP; shared by copies of the action (a run plays copies).
  std::shared_ptr<const TBDBitmapData> fBMPData;
  // Why fBMP did not load as a picture; empty when it loaded. Set together with the cache.
  std::string fBMPError;
};

class TActionObj : public TMouseObj {
 public:
  // The decoded picture: the cache, built from fBMP on first use. Empty when fBMP is empty.
  // A picture that does not load is cached as an empty (0 x 0) buffer, and fBMPError says why.
  // Throws Error when fBMP is not valid base64 (and caches nothing).
  std::shared_ptr<const TBDBitmapData> GetBMPData();
  // Drops the cache and, if fBMP is not empty, rebuilds it from fBMP.
  void ReloadBMPData();
};

using TActionPtr = std::shared_ptr<TActionObj>;

// An ordered list of a macro's actions. Removing an entry drops one reference; the action lives on
// while anyone else (a run, the recording window) holds it.
template <typename T>
class TSharedList {
 public:
  void Add(std::shared_ptr<T> item) { items_.push_back(std::move(item)); }
  void Insert(size_t index, std::shared_ptr<T> item) {
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  }
  void Delete(size_t index) { items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index)); }
  void Clear() { items_.clear(); }
  size_t Count() const { return items_.size(); }
  const std::shared_ptr<T>& Get(size_t index) const { return items_.at(index); }
  std::shared_ptr<T>& operator[](size_t index) { return items_.at(index); }
  // Index of `item`, or -1.
  std::ptrdiff_t IndexOf(const T* item) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i].get() == item) return static_cast<std::ptrdiff_t>(i);
    return -1;
  }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<std::shared_ptr<T>> items_;
};

// A macro's actions in playback order, with their part of the macro document.
class TActionList : public TSharedList<TActionObj> {
 public:
  // Clears the list (the actions live on with their other holders), then appends one action per
  // child of `element`, in document order. A bad value throws Error naming the attribute and the
  // item ("item 10", counted from 1); the actions read before it stay in the list.
  void ReadFromNode(pugi::xml_node element);
  // Removes the children of `element` and appends one "item" per action, in list order.
  void WriteToNode(pugi::xml_node element) const;
};

// A new action with the creation defaults, then every attribute `element` holds. Throws Error
// naming the attribute when an integer attribute does not hold a 32-bit decimal integer.
TActionPtr ReadAction(pugi::xml_node element);
// Appends an "item" to `parent` holding all 17 fields, in document order, then the optional
// settings that differ from their defaults.
void WriteAction(const TActionObj& action, pugi::xml_node parent);

}  // namespace zorvel
