#pragma once

#include <QColor>
#include <QSharedPointer>
#include <QString>
#include <QVector>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "base/result.hpp"
#include "form/chart_model.hpp"

class QCPAbstractPlottable;
class QCPItemStraightLine;
class QLabel;
class QCPAxisTickerText;
class QCPBarsGroup;
class QCPRange;
class QCustomPlot;
class QMouseEvent;

namespace orvelt {

// Draws a ChartModel (the history chart inside Frame5): rows evenly spaced along the category
// axis at positions 1..rows, one plottable per series, bars or lines as the model's chart type
// says. The user may zoom (mouse wheel) and pan (drag) along the category axis, see every row
// again with a double-click, and read a point's sample, time and value by hovering it; none of
// this touches the model.
class ChartWidget : public QWidget {
  Q_OBJECT
 public:
  explicit ChartWidget(QWidget* parent = nullptr);

  // Shows the model. The series are rebuilt only when its data revision changed; a change of
  // chart type alone rebuilds the plottables from the data already held.
  void Render(const ChartModel& model);

  // The category axis back to every row, as a double-click does.
  void Show_All();

  // Marks the record shown in the value boxes with a vertical line (none outside the rows).
  void Set_Cursor(int row);
  // The row the cursor stands on, 0 when it is hidden.
  int Cursor_Row() const { return cursor_row_; }

  // Writes the chart as a PNG, SVG or PDF picture, chosen by the name's suffix, titled with the
  // model's title (its channels and time span).
  Outcome Save(const QString& path);

  // The row under the horizontal position `x` (pixels of Plot()), 0 where there is none.
  int Row_At(double x) const;

  // The min/max/mean line under the chart.
  QLabel* Stats() const { return stats_; }
  // True when bars are drawn as a filled outline because they would be thinner than a pixel.
  bool Bars_As_Outline() const { return outline_bars_; }

  // What hovering `pos` (pixels of Plot()) shows: series, sample number, time label and
  // value; empty where there is no point.
  QString Hover_Text(const QPointF& pos) const;

  QCustomPlot* Plot() const { return plot_; }

 signals:
  // A click (not a drag) on the chart at a row.
  void Row_Clicked(int row);

 protected:
  void changeEvent(QEvent* event) override;

 private:
  struct Series {
    QString legend;
    QColor colour;
    QVector<double> values;
  };

  // The model shows the series on show now (a chart that may only have grown).
  bool Same_Series(const ChartModel& model) const;
  void Take_Data(const ChartModel& model);
  void Apply_Value_Axis();
  bool Bars_Too_Thin() const;
  void Build_Plottables();
  void Rescale_Values();
  // Places ticks and labels for the rows in view; true when that changed them.
  bool Update_Ticks();
  void Keep_Range_Inside(const QCPRange& range);
  void On_Mouse_Move(QMouseEvent* event);
  void Apply_Font();
  QString Label(int row) const;
  Outcome Save_Picture(const QString& path, const QString& suffix, int width, int height);

  QCustomPlot* plot_ = nullptr;
  QLabel* stats_ = nullptr;
  QCPItemStraightLine* cursor_ = nullptr;
  int cursor_row_ = 0;
  QPointF press_pos_;
  bool outline_bars_ = false;
  ValueAxis value_axis_;
  QCPBarsGroup* bars_group_ = nullptr;
  QSharedPointer<QCPAxisTickerText> ticker_;
  std::vector<QCPAbstractPlottable*> plottables_;  // one per series, in series order

  // What is on show, copied from the model when its data last changed.
  bool rendered_ = false;
  std::uint64_t revision_ = 0;
  bool bars_ = false;
  int rows_ = 0;
  QVector<double> keys_;  // 1..rows
  std::vector<Series> series_;
  std::vector<std::string> labels_;  // UTF-8, converted only where shown
  QString title_;
  bool legend_shown_ = false;
  bool category_auto_ = true;
  int rows_per_tick_ = 1;
  int rows_per_label_ = 1;

  // Tick layout last applied, so that a layout pass changes it only when it must.
  bool ticks_stale_ = true;
  int applied_tick_step_ = 0;
  int applied_label_step_ = 0;
  bool labels_upright_ = false;
};

}  // namespace orvelt
