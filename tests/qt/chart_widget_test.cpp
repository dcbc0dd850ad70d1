#include "qt/chart_widget.hpp"

#include <QTest>
#include <QWheelEvent>

#include <cstdio>
#include <string>

#include "charts/chart_routines.hpp"
#include "charts/selection.hpp"
#include "qcustomplot.h"

namespace orvelt {
namespace {

constexpr int kChartWidth = 609;   // 9135 twips
constexpr int kChartHeight = 289;  // 4335 twips

std::string Time_Label(int sample) {
  char text[32];
  std::snprintf(text, sizeof text, "2026-11-28 %02d:%02d:%02d", (sample / 3600) % 24,
                (sample / 60) % 60, sample % 60);
  return text;
}

// The magnetometer axes with `rows` samples each; axis s holds s * 100 + i - 50 at sample i,
// so values change sign.
void Fill_Magnetometer(AppState& app, int rows) {
  for (int s = 0; s < 3; ++s) {
    for (int i = 1; i <= rows; ++i) {
      app.telemetry.store.Append_Sample(51 + s, s * 100.0 + i - 50, Time_Label(i));
    }
  }
}

void Set_Style(AppState& app, bool bars) {
  app.form.Check1 = bars ? 1 : 0;
  Check1_Click(app);
}

QCPAxisTickerText* Ticker(ChartWidget& w) {
  return dynamic_cast<QCPAxisTickerText*>(w.Plot()->xAxis->ticker().data());
}

}  // namespace

class ChartWidgetTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<ChartWidget> widget_;

  ChartWidget& Shown() {
    widget_ = std::make_unique<ChartWidget>();
    widget_->resize(kChartWidth, kChartHeight);
    widget_->show();
    return *widget_;
  }
  // Lets a layout pass settle the tick density.
  static void Settle(ChartWidget& w) {
    w.Plot()->replot();
    QCoreApplication::processEvents();
  }

 private slots:
  void cleanup() { widget_.reset(); }

  void rendersOneBarPerSampleInAGroupPerRow() {
    AppState app;
    Fill_Magnetometer(app, 100);
    Draw_Mag_Chart(app, 52);
    Set_Style(app, true);
    ChartWidget& w = Shown();

    w.Render(app.form.MSChart2);

    QCustomPlot* plot = w.Plot();
    QCOMPARE(plot->plottableCount(), 3);
    QCPBarsGroup* group = nullptr;
    const QList<QColor> colours = {QColor(70, 130, 180), QColor(34, 139, 34), QColor(176, 48, 96)};
    const QStringList names = {"Magn X- Axis", "Magn Y- Axis", "Magn Z- Axis"};
    for (int s = 0; s < 3; ++s) {
      auto* bars = qobject_cast<QCPBars*>(plot->plottable(s));
      QVERIFY(bars);
      QCOMPARE(bars->data()->size(), 100);
      QCOMPARE(bars->data()->at(0)->key, 1.0);
      QCOMPARE(bars->data()->at(99)->key, 100.0);
      QCOMPARE(bars->data()->at(9)->value, s * 100.0 + 10 - 50);
      QCOMPARE(bars->brush().color(), colours[s]);
      QCOMPARE(bars->name(), names[s]);
      QVERIFY(bars->barsGroup());
      if (group == nullptr) group = bars->barsGroup();
      QCOMPARE(bars->barsGroup(), group);
    }
    QCOMPARE(group->size(), 3);
    QVERIFY(plot->legend->visible());
    QCOMPARE(plot->legend->itemCount(), 3);
    // Bars stand on zero; the axis holds every value.
    QVERIFY(plot->yAxis->range().lower <= -49);
    QVERIFY(plot->yAxis->range().upper >= 250);
  }

  void rendersOneLinePerSeries() {
    AppState app;
    Fill_Magnetometer(app, 5000);
    Draw_Mag_Chart(app, 51);
    ChartWidget& w = Shown();

    w.Render(app.form.MSChart2);

    QCustomPlot* plot = w.Plot();
    QCOMPARE(plot->plottableCount(), 3);
    QCOMPARE(plot->graphCount(), 3);
    for (int s = 0; s < 3; ++s) {
      QCOMPARE(plot->graph(s)->data()->size(), 5000);
      QCOMPARE(plot->graph(s)->data()->at(4999)->value, s * 100.0 + 4950);
    }
    QCOMPARE(plot->graph(1)->pen().color(), QColor(34, 139, 34));
    QCOMPARE(plot->xAxis->range().lower, 0.5);
    QCOMPARE(plot->xAxis->range().upper, 5000.5);
    QVERIFY(plot->yAxis->range().contains(-49));
    QVERIFY(plot->yAxis->range().contains(5150));
  }

  void placesTicksAndLabelsAsTheModelSays_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("q");  // 0: the chart chooses
    QTest::newRow("1 row") << 1 << 0;
    QTest::newRow("12 rows") << 12 << 0;
    QTest::newRow("40 rows") << 40 << 0;
    QTest::newRow("41 rows") << 41 << 1;
    QTest::newRow("100 rows") << 100 << 2;
    QTest::newRow("140 rows") << 140 << 4;
    QTest::newRow("5000 rows") << 5000 << 125;
  }

  void placesTicksAndLabelsAsTheModelSays() {
    QFETCH(int, rows);
    QFETCH(int, q);
    AppState app;
    Fill_Magnetometer(app, rows);
    Draw_Value(app, 53);
    ChartWidget& w = Shown();

    w.Render(app.form.MSChart2);
    Settle(w);

    const QMap<double, QString> ticks = Ticker(w)->ticks();
    const auto& labels = app.form.MSChart2.row_labels;
    QList<int> labelled;
    for (auto it = ticks.begin(); it != ticks.end(); ++it) {
      const int row = static_cast<int>(it.key());
      QCOMPARE(it.key(), static_cast<double>(row));
      if (!it.value().isEmpty()) {
        QCOMPARE(it.value().toStdString(), labels[static_cast<std::size_t>(row - 1)]);
        labelled.append(row);
      }
    }
    QVERIFY(!labelled.isEmpty());
    QCOMPARE(labelled.first(), 1);
    if (q > 0) {
      QCOMPARE(ticks.size(), (rows + q - 1) / q);
      for (int k = 0; k < labelled.size(); ++k) QCOMPARE(labelled[k], 1 + k * q);
    } else {
      // A tick per row, labels evenly spaced and not overlapping.
      QCOMPARE(ticks.size(), rows);
      const int step = labelled.size() > 1 ? labelled[1] - labelled[0] : rows;
      for (int k = 0; k < labelled.size(); ++k) QCOMPARE(labelled[k], 1 + k * step);
      const QFontMetrics metrics(w.Plot()->xAxis->tickLabelFont());
      const double px_per_row = w.Plot()->axisRect()->width() / w.Plot()->xAxis->range().size();
      if (labelled.size() > 1) {
        QVERIFY(step * px_per_row >= metrics.horizontalAdvance("00:00:00"));
        QVERIFY((step - 1) * px_per_row < metrics.horizontalAdvance("00:00:00") + 8);
      }
    }
  }

  void switchesStyleFromTheDataItHolds() {
    AppState app;
    Fill_Magnetometer(app, 30);
    Draw_BattV_Chart(app, 8);  // empty pair: replaced below
    Draw_Mag_Chart(app, 53);
    ChartWidget& w = Shown();
    w.Render(app.form.MSChart2);
    // The model's data change without a new revision: a style switch must not pick them up.
    app.form.MSChart2.data[0] = 12345.0;

    Set_Style(app, true);
    w.Render(app.form.MSChart2);

    QCustomPlot* plot = w.Plot();
    QCOMPARE(plot->plottableCount(), 3);
    QCOMPARE(plot->graphCount(), 0);
    auto* bars = qobject_cast<QCPBars*>(plot->plottable(0));
    QVERIFY(bars);
    QCOMPARE(bars->data()->size(), 30);
    QCOMPARE(bars->data()->at(0)->value, -49.0);
    QCOMPARE(plot->legend->itemCount(), 3);

    Set_Style(app, false);
    w.Render(app.form.MSChart2);
    QCOMPARE(plot->graphCount(), 3);
    QCOMPARE(plot->graph(0)->data()->at(0)->value, -49.0);

    // A new drawing brings the new data.
    Draw_Value(app, 52);
    w.Render(app.form.MSChart2);
    QCOMPARE(plot->plottableCount(), 1);
    QCOMPARE(plot->legend->itemCount(), 1);
    QCOMPARE(plot->graph(0)->data()->at(0)->value, 51.0);
  }

  void emptyChartShowsNoSeries() {
    AppState app;
    ChartWidget& w = Shown();
    w.Render(app.form.MSChart2);  // as created: nothing drawn yet
    QCOMPARE(w.Plot()->plottableCount(), 0);
    QVERIFY(!w.Plot()->legend->visible());

    Draw_Value(app, 28);  // no samples
    w.Render(app.form.MSChart2);
    QCOMPARE(w.Plot()->plottableCount(), 1);
    QCOMPARE(w.Plot()->graph(0)->data()->size(), 0);
    QVERIFY(Ticker(w)->ticks().isEmpty());
    QVERIFY(w.Plot()->legend->visible());
  }

  void zoomsPansAndShowsAllAgain() {
    AppState app;
    Fill_Magnetometer(app, 400);
    Draw_Mag_Chart(app, 51);
    const ChartModel drawn = app.form.MSChart2;
    ChartWidget& w = Shown();
    w.Render(app.form.MSChart2);
    Settle(w);
    QCustomPlot* plot = w.Plot();
    const QPoint centre = plot->axisRect()->rect().center();

    QWheelEvent wheel(centre, plot->mapToGlobal(centre), QPoint(), QPoint(0, 120 * 3), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(plot, &wheel);
    const QCPRange zoomed = plot->xAxis->range();
    QVERIFY(zoomed.size() < 399);
    QVERIFY(zoomed.lower >= 0.5 && zoomed.upper <= 400.5);

    QTest::mousePress(plot, Qt::LeftButton, {}, centre);
    QTest::mouseMove(plot, centre + QPoint(60, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, centre + QPoint(60, 0));
    const QCPRange panned = plot->xAxis->range();
    QVERIFY(panned.lower < zoomed.lower);
    QCOMPARE(panned.size(), zoomed.size());

    // Dragging far beyond the first row stops there.
    QTest::mousePress(plot, Qt::LeftButton, {}, centre);
    QTest::mouseMove(plot, centre + QPoint(5000, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, centre + QPoint(5000, 0));
    QCOMPARE(plot->xAxis->range().lower, 0.5);

    QTest::mouseDClick(plot, Qt::LeftButton, {}, centre);
    QCOMPARE(plot->xAxis->range().lower, 0.5);
    QCOMPARE(plot->xAxis->range().upper, 400.5);
    QCOMPARE(app.form.MSChart2.data, drawn.data);
    QCOMPARE(app.form.MSChart2.data_revision, drawn.data_revision);
  }

  void hoverNamesSampleTimeAndValue() {
    AppState app;
    Fill_Magnetometer(app, 20);
    Draw_Mag_Chart(app, 51);
    ChartWidget& w = Shown();
    for (const bool bars : {false, true}) {
      Set_Style(app, bars);
      w.Render(app.form.MSChart2);
      Settle(w);
      QCustomPlot* plot = w.Plot();
      const double value = 100.0 + 7 - 50;  // series 2, sample 7
      // Bars of a group sit side by side around the row; the middle one is on it.
      const QPointF at(plot->xAxis->coordToPixel(7), bars ? plot->yAxis->coordToPixel(value / 2)
                                                          : plot->yAxis->coordToPixel(value));

      const QString text = w.Hover_Text(at);

      QVERIFY2(text.contains("Magn Y- Axis"), qPrintable(text));
      QVERIFY2(text.contains("Sample 7"), qPrintable(text));
      QVERIFY2(text.contains("00:00:07"), qPrintable(text));
      QVERIFY2(text.contains(QLocale().toString(value, 'g', 10)), qPrintable(text));
      QVERIFY(w.Hover_Text(QPointF(plot->axisRect()->left() + 2, plot->axisRect()->top() + 2))
                  .isEmpty());
    }
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::ChartWidgetTest)
#include "chart_widget_test.moc"
