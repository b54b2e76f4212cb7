#include "gui/platform/qt_page_painter.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <memory>

#include "core/store/error.h"

namespace vmx::platform {

namespace {

bool blank(const std::string& line) {
  for (char c : line)
    if (c != ' ') return false;
  return true;
}

// Columns a character takes on a text printer: GBK bytes.
int columns_of(char32_t c) { return c < 0x80 ? 1 : 2; }

class Sheet {
 public:
  Sheet(QPainter& painter, QPagedPaintDevice& device) : m_painter(painter), m_device(device) {}

  void set_height(int height) {
    m_painter.setFont(report_font(height));
    const QFontMetricsF fm(m_painter.font(), &m_device);
    // Half a Chinese character is the column: a Latin character of the
    // monospaced fonts is that wide, and the proportional ones are centred in it.
    m_column = fm.horizontalAdvance(QStringLiteral("中")) / 2;
    m_pitch = fm.lineSpacing();
    m_ascent = fm.ascent();
  }

  // Whether one more line fits below the last (a fresh sheet always takes one).
  bool fits() const { return m_y + m_pitch <= m_device.height() || m_y == 0; }

  void paint(const std::string& utf8) {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    const QFontMetricsF fm(m_painter.font(), &m_device);
    int column = 0;
    for (const char32_t c : text.toUcs4()) {
      const int w = columns_of(c);
      if (c != U' ') {
        const QString glyph = QString::fromUcs4(&c, 1);
        const qreal cell = w * m_column;
        const qreal x = column * m_column + (cell - fm.horizontalAdvance(glyph)) / 2;
        m_painter.drawText(QPointF(x, m_y + m_ascent), glyph);
      }
      column += w;
    }
    m_y += m_pitch;
  }

  void next_sheet() {
    if (!m_device.newPage()) throw store::Error("printer: cannot start a new sheet");
    m_y = 0;
  }
  bool empty() const { return m_y == 0; }

 private:
  QPainter& m_painter;
  QPagedPaintDevice& m_device;
  qreal m_column = 0, m_pitch = 0, m_ascent = 0, m_y = 0;
};

}  // namespace

QFont report_font(int height) {
  static const QStringList families = [] {
    const QStringList wanted = {
        QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
        QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("WenQuanYi Micro Hei")};
    const QStringList installed = QFontDatabase::families();
    QStringList found;
    for (const QString& f : wanted)
      if (installed.contains(f, Qt::CaseInsensitive)) found << f;
    if (found.isEmpty()) found << QStringLiteral("monospace");
    return found;
  }();
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::TypeWriter);
  // The grid's height is in screen pixels at 96 per inch.
  font.setPointSizeF(height * 72.0 / 96.0);
  return font;
}

void paint_document(const PrintedDocument& doc, QPagedPaintDevice& device) {
  QPainter painter;
  if (!painter.begin(&device)) throw store::Error("printer: cannot open the printer to print");
  Sheet sheet(painter, device);
  sheet.set_height(12);
  size_t change = 0;
  for (size_t p = 0; p < doc.pages.size(); ++p) {
    if (p > 0 && !sheet.empty()) sheet.next_sheet();
    const std::vector<std::string>& lines = doc.pages[p];
    size_t end = lines.size();
    while (end > 0 && blank(lines[end - 1])) --end;
    for (size_t i = 0; i < lines.size(); ++i) {
      for (; change < doc.font_changes.size() && doc.font_changes[change].page == p &&
             doc.font_changes[change].line == i;
           ++change)
        sheet.set_height(doc.font_changes[change].height);
      if (i >= end) continue;
      if (!sheet.fits()) sheet.next_sheet();
      sheet.paint(lines[i]);
    }
  }
  if (!painter.end()) throw store::Error("printer: the print job could not be finished");
}

void write_pdf(const PrintedDocument& doc, const std::filesystem::path& file) {
  std::unique_ptr<QGuiApplication> app;
  static int argc = 3;
  static char arg0[] = "valmorix", arg1[] = "-platform", arg2[] = "offscreen";
  static char* argv[] = {arg0, arg1, arg2, nullptr};
  if (!QGuiApplication::instance()) app = std::make_unique<QGuiApplication>(argc, argv);

  const QString name = QString::fromStdString(file.string());
  QPdfWriter pdf(name);
  if (!pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 12, 10, 10), QPageLayout::Millimeter)))
    throw store::Error(file.string() + ": cannot set up an A4 page");
  pdf.setTitle(QString::fromStdString(doc.title));
  pdf.setCreator(QStringLiteral("Valmorix"));
  try {
    paint_document(doc, pdf);
  } catch (const store::Error&) {
    throw store::Error(file.string() + ": cannot be written");
  }
}

}  // namespace vmx::platform
