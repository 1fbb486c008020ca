#include "prompter.h"

#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QMessageBox>

void WidgetPrompter::message(const QString& text) {
    QMessageBox::information(m_parent, QCoreApplication::applicationName(), text);
}

Prompter::Answer WidgetPrompter::question(const QString& text, Buttons buttons) {
    QMessageBox::StandardButtons b = QMessageBox::Yes | QMessageBox::No;
    if (buttons == YesNoCancel)
        b |= QMessageBox::Cancel;
    if (buttons == OkCancel)
        b = QMessageBox::Ok | QMessageBox::Cancel;
    const auto r = QMessageBox::question(m_parent, QCoreApplication::applicationName(), text, b);
    switch (r) {
    case QMessageBox::Yes:
        return Yes;
    case QMessageBox::No:
        return No;
    case QMessageBox::Ok:
        return Ok;
    default:
        return Cancel;
    }
}

QStringList qtFilterList(const QString& programFilter) {
    const QStringList parts = programFilter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].trimmed().split(';').join(' ');
        out << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns);
    }
    return out;
}

QString withDefaultExtension(const QString& path, const QString& defaultExt) {
    if (path.isEmpty() || defaultExt.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + '.' + defaultExt;
}

static bool runFileDialog(QWidget* parent, Prompter::FileRequest& r, QFileDialog::AcceptMode mode) {
    QFileDialog dlg(parent, r.title, r.initialDir);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtFilterList(r.filter);
    dlg.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[r.filterIndex - 1]);
    dlg.setDefaultSuffix(r.defaultExt);
    if (!r.overwritePrompt)
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (!r.fileName.isEmpty())
        dlg.selectFile(r.fileName);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    r.fileName = withDefaultExtension(dlg.selectedFiles().first(), r.defaultExt);
    r.filterIndex = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    return true;
}

bool WidgetPrompter::saveFile(FileRequest& request) {
    return runFileDialog(m_parent, request, QFileDialog::AcceptSave);
}

bool WidgetPrompter::openFile(FileRequest& request) {
    return runFileDialog(m_parent, request, QFileDialog::AcceptOpen);
}

bool WidgetPrompter::chooseColor(QColor& color) {
    const QColor c = QColorDialog::getColor(color, m_parent);
    if (!c.isValid())
        return false;
    color = c;
    return true;
}

bool WidgetPrompter::chooseFont(QFont& font) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, font, m_parent);
    if (ok)
        font = f;
    return ok;
}

int WidgetPrompter::runDialog(QDialog& dialog) {
    return dialog.exec();
}
