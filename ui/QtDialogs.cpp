#include "QtDialogs.h"

#include <QApplication>
#include <QInputDialog>
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

QString QtDialogs::input(const QString& prompt)
{
    return QInputDialog::getText(QApplication::activeWindow(), kProgramTitle, prompt);
}
