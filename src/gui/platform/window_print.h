// Printing a window's own image, scaled to the page (打印屏幕 / 屏幕打印).
#pragma once

#include <QImage>

class QPagedPaintDevice;
class QWidget;

namespace vmx::platform {

// Paints `image` on one page of `device`, as large as fits with its aspect
// kept, centred at the top. Throws store::Error when the device cannot be
// painted on.
void paint_image_page(const QImage& image, QPagedPaintDevice& device);

// The window as it stands on the screen, in a print preview owned by it,
// from which the user prints it to the default printer (or, without one, to
// a PDF file he names) or closes the preview without printing. A page that
// could not be painted throws store::Error once the preview has closed, for
// the caller's error box.
void print_window_image(QWidget& window);

}  // namespace vmx::platform
