#include "gui/shell/message_box_messenger.h"

#include <QCoreApplication>
#include <QMessageBox>

#include "gui/shell/open_dialog.h"

namespace tarvo::gui {

Reply MessageBoxMessenger::Show(MessageKind kind, std::string_view text, Buttons buttons) {
  QMessageBox box(parent_);
  switch (kind) {
    case MessageKind::Error: box.setIcon(QMessageBox::Critical); box.setWindowTitle(QObject::tr("Error")); break;
    case MessageKind::Warning: box.setIcon(QMessageBox::Warning); box.setWindowTitle(QObject::tr("Warning")); break;
    case MessageKind::Information: box.setIcon(QMessageBox::Information); box.setWindowTitle(QObject::tr("Information")); break;
    case MessageKind::Plain: box.setIcon(QMessageBox::NoIcon); box.setWindowTitle(QCoreApplication::applicationName()); break;
  }
  // Engine texts are single-byte; CR LF line breaks display as one break.
  QString body = QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  box.setText(body);
  switch (buttons) {
    case Buttons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case Buttons::YesNo: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case Buttons::AbortIgnore: box.setStandardButtons(QMessageBox::Abort | QMessageBox::Ignore); break;
  }
  ArrowCursorWhileAsking arrow;
  switch (box.exec()) {
    case QMessageBox::Yes: return Reply::Yes;
    case QMessageBox::No: return Reply::No;
    case QMessageBox::Abort: return Reply::Abort;
    case QMessageBox::Ignore: return Reply::Ignore;
    default: return Reply::Ok;
  }
}

}  // namespace tarvo::gui
