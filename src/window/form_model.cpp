#include "window/form_model.hpp"

namespace orvelt {

FormModel::FormModel() {
  for (const ChannelInfo& c : Channel_Table()) {
    const auto i = static_cast<std::size_t>(c.index);
    Text1[i].exists = true;
    Option1[i].exists = true;
    Option1[i].caption = std::string(c.caption);
  }
  for (int i = kFirstStatusBox; i <= kLastStatusBox; ++i) {
    Text1[static_cast<std::size_t>(i)].exists = true;
  }
}

}  // namespace orvelt
