#include "qt/chart_widget.hpp"

#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "charts/chart_routines.hpp"
#include "charts/selection.hpp"
#include "qcustomplot.h"

namespace orvelt {
namespace {

// The magnetometer axes with `rows` samples each; axis s holds s * 100 + i - 50 at sample i,
// so values change sign.
void Fill_Magnetometer(AppState& app, int rows) {
  for (int i = 1; i <= rows; ++i) {
    char label[32];
    std::snprintf(label, sizeof label, "2026-11-28 %02d:%02d:%02d", i / 3600 % 24, i / 60 % 60,
                  i % 60);
    for (int s = 0; s < 3; ++s)
      app.telemetry.store.Append_Sample(51 + s, s * 100.0 + i - 50, label);
  }
}

void Set_Style(AppState& app, bool bars) {
  app.form.Check1 = bars ? 1 : 0;
  Check1_Click(app);
}

}  // namespace

class ChartWidgetTest : public QObject {
  Q_OBJECT

  std::unique_ptr<ChartWidget> widget_;

  // A chart of its size in the window (9135 x 4335 twips), showing `model` after a layout pass.
  ChartWidget& Shown(const ChartModel& model) {
    widget_ = std::make_unique<ChartWidget>();
    widget_->resize(609, 289);
    widget_->show();
    widget_->Render(model);
    widget_->Plot()->replot();
    QCoreApplication::processEvents();
    return *widget_;
  }

 private slots:
  void cleanup() { widget_.reset(); }

  // Bars of one row stand side by side; lines and bars carry every sample of each series.
  void rendersBarsAndLines() {
    for (const bool bars : {true, false}) {
      AppState app;
      Fill_Magnetometer(app, 100);
      Draw_Mag_Chart(app, 52);
      Set_Style(app, bars);
      QCustomPlot* plot = Shown(app.form.MSChart2).Plot();
      QCOMPARE(plot->plottableCount(), 3);
      QCOMPARE(plot->graphCount(), bars ? 0 : 3);
      for (int s = 0; s < 3; ++s) {
        QCPAbstractPlottable* p = plot->plottable(s);
        QCOMPARE(p->name(), QStringLiteral("Magn %1- Axis").arg(QChar('X' + s)));
        QCOMPARE(p->interface1D()->dataCount(), 100);
        QCOMPARE(p->interface1D()->dataMainKey(9), 10.0);
        QCOMPARE(p->interface1D()->dataMainValue(9), s * 100.0 + 10 - 50);
        if (bars) QCOMPARE(qobject_cast<QCPBars*>(p)->barsGroup()->size(), 3);
      }
      QCOMPARE(plot->xAxis->range().lower, 0.5);
      QCOMPARE(plot->xAxis->range().upper, 100.5);
      QVERIFY(plot->yAxis->range().contains(-49) && plot->yAxis->range().contains(250));
    }
  }

  // An empty channel draws nothing, and a whole-number axis still reads in whole numbers.
  void channelWithoutSamplesGivesAnEmptySeries() {
    for (const int channel : {28, 47}) {
      AppState app;
      Draw_Value(app, channel);
      QCustomPlot* plot = Shown(app.form.MSChart2).Plot();
      QCOMPARE(plot->plottableCount(), 1);
      QCOMPARE(plot->graph(0)->data()->size(), 0);
      QVector<double> ticks;
      QVector<QString> labels;
      plot->yAxis->ticker()->generate(plot->yAxis->range(), QLocale::c(), QLatin1Char('f'),
                                      plot->yAxis->numberPrecision(), ticks, nullptr, &labels);
      QVERIFY(labels.size() >= 2);
      // No two ticks read alike.
      for (qsizetype k = 1; k < labels.size(); ++k) {
        QVERIFY2(labels[k] != labels[k - 1], qPrintable(labels.join(',')));
      }
    }
  }

  // A pair whose second channel is shorter: its line breaks and its bars stop where it has no
  // sample, and its figures leave the gap out.
  void missingSamplesAreGaps() {
    for (const bool bars : {false, true}) {
      AppState app;
      for (int i = 1; i <= 20; ++i) {
        app.telemetry.store.Append_Sample(3, 3.5 + i / 100.0, "2026-11-28 09:14:00");
        if (i <= 12) app.telemetry.store.Append_Sample(8, 3.9, "2026-11-28 09:14:00");
      }
      Draw_BattV_Chart(app, 8);
      Set_Style(app, bars);
      ChartWidget& w = Shown(app.form.MSChart2);
      QCPAbstractPlottable* second = w.Plot()->plottable(1);
      QCOMPARE(w.Plot()->plottable(0)->interface1D()->dataCount(), 20);
      if (bars) {
        QCOMPARE(second->interface1D()->dataCount(), 12);
      } else {
        QCOMPARE(second->interface1D()->dataCount(), 20);
        QVERIFY(std::isnan(second->interface1D()->dataMainValue(12)));
      }
      for (int k = 0; k < second->interface1D()->dataCount(); ++k) {
        QVERIFY(std::isnan(second->interface1D()->dataMainValue(k)) ||
                second->interface1D()->dataMainValue(k) == 3.9);
      }
      if (!bars) QVERIFY(w.Plot()->yAxis->range().lower > 3);  // no 0 drawn (bars start at 0)
      QVERIFY(w.Stats()->text().contains(QStringLiteral("Battery 1 Volt: min 3")));
    }
  }

  // Rows every q as the model says; where it leaves the choice, as many labels as fit.
  void placesTicksAndLabels_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("q");  // 0: the chart chooses
    QTest::newRow("40 rows") << 40 << 0;
    QTest::newRow("5000 rows") << 5000 << 125;
  }

  void placesTicksAndLabels() {
    QFETCH(int, rows);
    QFETCH(int, q);
    AppState app;
    Fill_Magnetometer(app, rows);
    Draw_Value(app, 53);
    ChartWidget& w = Shown(app.form.MSChart2);

    auto* ticker = dynamic_cast<QCPAxisTickerText*>(w.Plot()->xAxis->ticker().data());
    const QMap<double, QString> ticks = ticker->ticks();
    QList<int> labelled;
    for (auto it = ticks.begin(); it != ticks.end(); ++it) {
      const int row = static_cast<int>(it.key());
      QCOMPARE(it.key(), static_cast<double>(row));
      if (it.value().isEmpty()) continue;
      QCOMPARE(it.value().toStdString(), app.form.MSChart2.row_labels[std::size_t(row - 1)]);
      labelled.append(row);
    }
    QCOMPARE(ticks.size(), q > 0 ? (rows + q - 1) / q : rows);
    QVERIFY(labelled.size() > 1);
    const int step = q > 0 ? q : labelled[1] - labelled[0];
    for (int k = 0; k < labelled.size(); ++k) QCOMPARE(labelled[k], 1 + k * step);
    if (q == 0) {  // neighbours do not overlap, and one row less would make them
      const int label =
          QFontMetrics(w.Plot()->xAxis->tickLabelFont()).horizontalAdvance("00:00:00");
      const double px_per_row = w.Plot()->axisRect()->width() / w.Plot()->xAxis->range().size();
      QVERIFY(step * px_per_row >= label);
      QVERIFY((step - 1) * px_per_row < label + 8);
    }
  }

  // Bars narrower than a pixel turn into see-through step outlines, so that no series hides
  // another; bars that have room stay bars.
  void denseBarsStayVisible() {
    AppState app;
    Fill_Magnetometer(app, 5000);
    Draw_Mag_Chart(app, 51);
    Set_Style(app, true);
    ChartWidget& w = Shown(app.form.MSChart2);
    QVERIFY(w.Bars_As_Outline());
    QCOMPARE(w.Plot()->graphCount(), 3);
    for (int s = 0; s < 3; ++s) {
      QCPGraph* graph = w.Plot()->graph(s);
      QCOMPARE(graph->lineStyle(), QCPGraph::lsStepCenter);
      QVERIFY(graph->brush().color().alpha() < 255);
      QCOMPARE(graph->data()->size(), 5000);
    }
  }

  // PNG and PDF through the chart's own savers, SVG through Qt SVG; a wrong name is refused.
  void savesPictures() {
    AppState app;
    Fill_Magnetometer(app, 50);
    Draw_Value(app, 51);
    ChartWidget& w = Shown(app.form.MSChart2);
    QTemporaryDir dir;
    for (const char* name : {"chart.png", "chart.svg", "chart.pdf"}) {
      const QString path = dir.filePath(name);
      QCOMPARE(QString::fromStdString(w.Save(path).why()), QString());
      QFile file(path);
      QVERIFY(file.open(QIODevice::ReadOnly));
      const QByteArray head = file.read(8);
      QVERIFY2(head.startsWith("\x89PNG") || head.startsWith("<?xml") || head.startsWith("%PDF"),
               name);
    }
    // The pictures name what they show; the window's chart keeps its layout.
    QFile svg(dir.filePath("chart.svg"));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    const QByteArray svg_text = svg.readAll();
    QVERIFY(svg_text.contains(QByteArrayLiteral("Magn X- Axis: 2026-11-28 00:00:01 to 00:00:50")));
    QCOMPARE(w.Plot()->plotLayout()->rowCount(), 2);
    QVERIFY(!w.Save(dir.filePath("chart.bmp")).ok());
    QVERIFY(!w.Save(dir.filePath("missing/chart.png")).ok());
  }
};

}  // namespace orvelt

QTEST_MAIN(orvelt::ChartWidgetTest)
#include "chart_widget_test.moc"
