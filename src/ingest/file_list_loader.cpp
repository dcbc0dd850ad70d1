#include "ingest/file_list_loader.hpp"

#include <utility>

#include "ingest/kiss_reader.hpp"

namespace orvelt {

LoadReport Load_File_List(TelemetryState& state, FormModel& form,
                          const std::function<void()>& after_file) {
  LoadReport report;
  const std::size_t count = form.List3.size();
  for (std::size_t k = 0; k < count; ++k) {
    const std::string entry = form.List3[k];
    state.CaptureFileName = entry;
    form.Label3 = entry;
    if (entry.empty()) continue;
    const ReadStatus status = Read_Kissfile(entry, state, form, report);
    if (status == ReadStatus::Stopped) break;
    if (status == ReadStatus::Completed && after_file) after_file();
  }
  return report;
}

LoadReport Load_Selection(TelemetryState& state, FormModel& form, std::vector<std::string> files,
                          const std::function<void()>& after_file) {
  state.store.Reset_Store();
  form.List3 = std::move(files);
  return Load_File_List(state, form, after_file);
}

}  // namespace orvelt
