#include "info/info_content.hpp"

namespace orvelt {

InfoContent Info_Content() { return {"Info", "ORVELT-1 Telemetry Decoder", "KAVRO", "", ""}; }

}  // namespace orvelt
