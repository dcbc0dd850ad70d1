#include "charts/selection.hpp"

#include <cstddef>
#include <cstdint>

#include "charts/chart_routines.hpp"
#include "window/handlers.hpp"
#include "window/navigation.hpp"
#include "window/record_display.hpp"

namespace orvelt {

namespace {

// Down at the moment of the query and pressed since the previous one. A key held from an
// earlier selection (0x8000) or pressed and let go again (0x0001) does not count.
constexpr std::uint16_t kFreshlyPressed = 0x8001;

}  // namespace

void Option1_Click(AppState& app, Platform& platform, int index) {
  FormModel& form = app.form;
  for (int j = 0; j < kChannelCount; ++j) {
    if (j == index) continue;
    if (ValueBox* box = form.Value_Box(j)) box->back_colour = kBoxWhite;
    if (Selector* selector = form.Selector_At(j)) selector->on = false;
  }
  if (ValueBox* box = form.Value_Box(index)) box->back_colour = kBoxHighlight;
  if (Selector* selector = form.Selector_At(index)) selector->on = true;

  Show_Record(app, platform, form.HScroll1);

  // Both keys are always queried, Shift first: each query also clears its key's
  // "pressed since" bit, so a press counts for one selection only.
  const std::uint16_t shift = platform.Async_Key_State(AsyncKey::Shift);
  const std::uint16_t right_button = platform.Async_Key_State(AsyncKey::RightButton);
  if (shift != kFreshlyPressed && right_button != kFreshlyPressed) {
    Draw_Value(app, index);
    return;
  }
  if (const ChartRoutine group_chart = Group_Chart(index)) group_chart(app, index);
}

void Store_Changed(AppState& app, Platform& platform, std::int64_t now_seconds) {
  app.form.Take_Decoded_Facts(app.telemetry);
  Clamp_Record_Position(app);
  Show_Current_Record(app, platform, now_seconds);
  Redraw_Chart(app);
}

void Check1_Click(AppState& app) {
  ChartModel& chart = app.form.MSChart2;
  if (app.form.Check1 == 1) {
    chart.chart_type = kChartTypeBar;
    chart.series_type = kSeriesTypeBar;
  } else {
    chart.chart_type = kChartTypeLine;
    chart.series_type = kSeriesTypeLine;
  }
}

}  // namespace orvelt
