#include "QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace {

const QString kProgramTitle = QStringLiteral("wordlark");

} // namespace

bool QtDialogs::ask(const QString& title, const QString& question)
{
    return QMessageBox::question(QApplication::activeWindow(), title, question,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::tell(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, kProgramTitle, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

std::optional<QString> QtDialogs::input(const QString& prompt)
{
    bool confirmed = false;
    QString text = QInputDialog::getText(QApplication::activeWindow(), kProgramTitle, prompt,
                                         QLineEdit::Normal, {}, &confirmed);
    if (!confirmed)
        return std::nullopt;
    return text;
}
