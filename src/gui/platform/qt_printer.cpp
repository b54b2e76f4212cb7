#include "gui/platform/qt_printer.h"

#include <QObject>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "core/store/error.h"
#include "gui/platform/qt_page_painter.h"

namespace vmx::platform {

QtPrinter::QtPrinter(Mode mode, QWidget* parent, std::filesystem::path pdf_file)
    : m_mode(mode), m_parent(parent), m_pdf_file(std::move(pdf_file)) {}

void QtPrinter::end_document() {
  ScriptedPrinter::end_document();
  const PrintedDocument& doc = last();
  if (m_mode == Mode::PdfFile) {
    write_pdf(doc, m_pdf_file);
    return;
  }

  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(QString::fromStdString(doc.title));
  const bool has_printer = !QPrinterInfo::defaultPrinter().isNull();
  if (m_mode == Mode::DefaultPrinter) {
    if (!has_printer) throw store::Error("printer: this system has no default printer");
    paint_document(doc, printer);
    return;
  }
  show_print_preview(printer, m_parent, QString::fromStdString(doc.title),
                     [&doc](QPrinter& target) { paint_document(doc, target); });
}

void show_print_preview(QPrinter& printer, QWidget* parent, const QString& title,
                        const std::function<void(QPrinter&)>& paint) {
  // Without a printer the preview's print button saves a PDF file instead.
  if (QPrinterInfo::defaultPrinter().isNull()) printer.setOutputFormat(QPrinter::PdfFormat);
  QPrintPreviewDialog preview(&printer, parent);
  preview.setWindowTitle(title);
  std::string failure;
  QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview,
                   [&paint, &failure](QPrinter* target) {
                     try {
                       paint(*target);
                     } catch (const store::Error& e) {
                       failure = e.what();
                     }
                   });
  preview.exec();
  if (!failure.empty()) throw store::Error(failure);
}

}  // namespace vmx::platform
