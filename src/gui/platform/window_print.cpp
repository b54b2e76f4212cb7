#include "gui/platform/window_print.h"

#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QWidget>
#include <string>

#include "core/store/error.h"

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
  if (QPrinterInfo::defaultPrinter().isNull()) printer.setOutputFormat(QPrinter::PdfFormat);
  QPrintPreviewDialog preview(&printer, &window);
  preview.setWindowTitle(window.windowTitle());
  std::string failure;
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&image, &failure](QPrinter* target) {
                     try {
                       paint_image_page(image, *target);
                     } catch (const store::Error& e) {
                       failure = e.what();
                     }
                   });
  preview.exec();
  if (!failure.empty()) throw store::Error(failure);
}

}  // namespace vmx::platform
