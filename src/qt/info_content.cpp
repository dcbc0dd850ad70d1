#include "qt/info_content.hpp"

#include "base/version.hpp"

namespace orvelt {

std::string Version_Line(std::string_view version, std::string_view release_date) {
  std::string line = "Version ";
  line.append(version).append("    (").append(release_date).append(")");
  return line;
}

InfoContent Info_Content() {
  InfoContent content;
  content.caption = "Info";
  content.title = "ORVELT-1 Telemetry Decoder";
  content.description = "Decoder for KISS capture files";
  content.call_sign = "KAVRO";
  content.homepage = "Homepage:";
  content.mail = "e-mail:";
  content.version_line = Version_Line(kVersion, kInfoReleaseDate);
  content.disclaimer =
      "This software is provided \"as is\", without warranty of any kind, express or implied, "
      "including but not limited to the warranties of merchantability, fitness for a particular "
      "purpose and accuracy of the decoded values. You use it at your own risk: in no event "
      "shall its authors be liable for any claim, damage or other liability arising from its "
      "use.";
  return content;
}

}  // namespace orvelt
