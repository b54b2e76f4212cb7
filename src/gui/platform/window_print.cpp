#include "gui/platform/window_print.h"

#include <QPainter>
#include <QPrinter>
#include <QWidget>

#include "core/store/error.h"
#include "gui/platform/qt_printer.h"

namespace vmx::platform {

void paint_image_page(const QImage& image, QPagedPaintDevice& device) {
  QPainter painter;
  if (!painter.begin(&device)) throw store::Error("printer: the page cannot be painted on");
  const QRect page(0, 0, device.width(), device.height());
  const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
  const QRect target(page.x() + (page.width() - size.width()) / 2, page.y(), size.width(),
                     size.height());
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(target, image);
  painter.end();
}

void print_window_image(QWidget& window) {
  const QImage image = window.grab().toImage();
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(window.windowTitle());
  printer.setPageOrientation(image.width() > image.height() ? QPageLayout::Landscape
                                                            : QPageLayout::Portrait);
  show_print_preview(printer, &window, window.windowTitle(),
                     [&image](QPrinter& target) { paint_image_page(image, target); });
}

}  // namespace vmx::platform
