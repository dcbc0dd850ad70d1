#include "form/form_model.hpp"

namespace orvelt {

FormModel::FormModel() {
  for (const ChannelInfo& c : Channel_Table()) {
    const auto i = static_cast<std::size_t>(c.index);
    Text1[i].exists = true;
    Option1[i].exists = true;
    Option1[i].caption = std::string(Channel_Caption(c.index));
  }
  for (int i = kFirstStatusBox; i <= kLastStatusBox; ++i) {
    Text1[static_cast<std::size_t>(i)].exists = true;
  }
}

void FormModel::Take_Decoded_Facts(const TelemetryState& state) {
  for (int slot = 0; slot < kSwitchCount; ++slot) {
    const int status = state.switch_status[static_cast<std::size_t>(slot)];
    ValueBox& box = Text1[static_cast<std::size_t>(kFirstStatusBox + slot)];
    // No status in the store shown: a status from an earlier store would mislead.
    if (status < 0) {
      box.text.clear();
      continue;
    }
    box.text = state.SwitchStatusText[static_cast<std::size_t>(status)];
    box.written = true;
  }
  if (state.frames_decoded > 0) Label8 = std::to_string(List2.size());
}

BoxPaint Box_Paint(const ValueBox& box) {
  const bool outside = box.limit != LimitCheck::Within;
  BoxPaint paint{box.back_colour, kTextNormal};
  if (outside && box.back_colour == kBoxWhite) paint.back = kBoxWarning;
  // A value beyond its limits matters more than its age.
  if (outside) {
    paint.text = kTextWarning;
  } else if (box.stale) {
    paint.text = kTextStale;
  }
  return paint;
}

std::size_t FormModel::Label3_Kept_Tail() const {
  if (Label3_summary.empty() || !Label3.ends_with(Label3_summary)) return 0;
  return Label3_summary.size();
}

}  // namespace orvelt
