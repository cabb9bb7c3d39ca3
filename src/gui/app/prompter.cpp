#include "app/prompter.h"

#include <QColorDialog>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QPushButton>

void Prompter::information(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Information, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void Prompter::warning(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

void Prompter::critical(QWidget *parent, const QString &title, const QString &text)
{
    message(parent, QMessageBox::Critical, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString Prompter::openFileName(QWidget *parent, const QString &caption, const QString &dir,
                               const QString &filter)
{
    const QString path = askOpenFileName(parent, caption, dir, filter);
    rememberChosenFile(path);
    return path;
}

QStringList Prompter::openFileNames(QWidget *parent, const QString &caption, const QString &dir,
                                    const QString &filter)
{
    const QStringList paths = askOpenFileNames(parent, caption, dir, filter);
    for (const QString &path : paths)
        rememberChosenFile(path);
    return paths;
}

void Prompter::rememberChosenFile(const QString &path)
{
    if (!path.isEmpty())
        m_chosenFiles.insert(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
}

bool Prompter::confirm(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                       const QString &text)
{
    return message(parent, icon, title, text, QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::No)
        == QMessageBox::Yes;
}

QMessageBox::StandardButton DesktopPrompter::message(QWidget *parent, QMessageBox::Icon icon,
                                                     const QString &title, const QString &text,
                                                     QMessageBox::StandardButtons buttons,
                                                     QMessageBox::StandardButton defaultButton,
                                                     const QString &informativeText)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (!informativeText.isEmpty())
        box.setInformativeText(informativeText);
    return QMessageBox::StandardButton(box.exec());
}

int DesktopPrompter::choice(QWidget *parent, const QString &title, const QString &text,
                            const QStringList &buttons)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> added;
    for (const QString &label : buttons)
        added.append(box.addButton(label, QMessageBox::AcceptRole));
    box.addButton(QMessageBox::Cancel);
    box.exec();
    return int(added.indexOf(box.clickedButton()));
}

QString DesktopPrompter::askOpenFileName(QWidget *parent, const QString &caption,
                                         const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QStringList DesktopPrompter::askOpenFileNames(QWidget *parent, const QString &caption,
                                              const QString &dir, const QString &filter)
{
    return QFileDialog::getOpenFileNames(parent, caption, dir, filter);
}

QString DesktopPrompter::saveFileName(QWidget *parent, const QString &caption,
                                      const QString &dir, const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString DesktopPrompter::existingDirectory(QWidget *parent, const QString &caption,
                                           const QString &dir)
{
    return QFileDialog::getExistingDirectory(parent, caption, dir);
}

std::optional<QString> DesktopPrompter::text(QWidget *parent, const QString &title,
                                             const QString &label, const QString &initial)
{
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, title, label, QLineEdit::Normal, initial, &ok);
    if (!ok)
        return std::nullopt;
    return answer;
}

QColor DesktopPrompter::color(QWidget *parent, const QColor &initial, const QString &title)
{
    return QColorDialog::getColor(initial, parent, title);
}

int DesktopPrompter::exec(QDialog &dialog)
{
    return dialog.exec();
}
