#pragma once

#include <QImage>
#include <QRectF>
#include <QSize>
#include <filesystem>

#include "core/chart/performance.h"

class QPainter;

// Drawing the performance chart of the pooled fund: QtGui only (no widgets),
// so the chart window and valmorix-cli's PNG output draw the same picture.
namespace vmx::platform {

// The colours of the four lines (价格, 深指, 沪指, 总值) and of rising and
// falling K-line weeks (red up, green down, as the market shows them).
QColor series_colour(size_t line);
// The colour of a row of the statistics panel (价格, 总值, 深指, 沪指): its line's.
QColor panel_row_colour(size_t row);

// The height of the panel under the chart in render_performance.
inline constexpr int kPerformancePanelHeight = 128;

// The chart in `area`: title and legend, the multiples axis at the left, the
// date axis at the bottom, the four lines (or the price's weekly K-lines),
// the level 1 and the vertical comparison line with its date. A picture
// without points, or whose panel carries the zero-start message, says so in
// the plot.
void paint_performance_chart(QPainter& painter, const QRectF& area, const chart::Picture& pic);

// The statistics panel as a small table in `area` (kPerformancePanelHeight high).
void paint_performance_panel(QPainter& painter, const QRectF& area, const chart::Panel& panel);

// The whole picture on white: the chart above, the panel below.
QImage render_performance(const chart::Picture& pic, QSize size);

// Writes render_performance as a PNG file. Creates a window-less
// QGuiApplication (offscreen) when the program has none. Throws store::Error
// naming the file when it cannot be written.
void write_performance_png(const chart::Picture& pic, QSize size,
                           const std::filesystem::path& file);

}  // namespace vmx::platform
