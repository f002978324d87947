#include "model/action.h"
#include "model/base64.h"
#include "picture/bitmap_data.h"

namespace zorvel {

std::shared_ptr<const TBDBitmapData> TActionObj::GetBMPData() {
  if (fBMPData || fBMP.empty()) return fBMPData;
  std::vector<uint8_t> bytes = DecodeBase64Stream(fBMP);
  auto picture = std::make_shared<TBDBitmapData>();
  std::string reason;
  if (!picture->LoadFromStream(bytes.data(), bytes.size(), &reason)) picture->Clear();
  fBMPData = std::move(picture);
  fBMPError = std::move(reason);
  return fBMPData;
}

void TActionObj::ReloadBMPData() {
  fBMPData.reset();
  fBMPError.clear();
  GetBMPData();
}

}  // namespace zorvel
