#include "prompter.h"

#include <QApplication>
#include <QColorDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QLineEdit>
#include <QMessageBox>

QWidget* WidgetPrompter::dialogParent() const {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    return m_parent;
}

void WidgetPrompter::message(const QString& text) {
    QMessageBox::information(dialogParent(), QCoreApplication::applicationName(), text);
}

Prompter::Answer WidgetPrompter::question(const QString& text, Buttons buttons) {
    QMessageBox::StandardButtons b = QMessageBox::Yes | QMessageBox::No;
    if (buttons == YesNoCancel)
        b |= QMessageBox::Cancel;
    if (buttons == OkCancel)
        b = QMessageBox::Ok | QMessageBox::Cancel;
    const auto r = QMessageBox::question(dialogParent(), QCoreApplication::applicationName(), text, b);
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
    const QStringList fields = programFilter.split('|');
    QStringList out;
    for (int i = 0; i + 1 < fields.size(); i += 2) {
        const QString patterns = fields[i + 1].trimmed().split(';').join(' ');
        const QString name = fields[i].trimmed();
        // A description that already shows its patterns ("PNG file (*.PNG)") is the whole filter
        // as it is; the dialog reads the patterns from its last parentheses either way.
        if (name.endsWith(QStringLiteral("(%1)").arg(patterns), Qt::CaseInsensitive))
            out << name;
        else
            out << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return out;
}

QString withDefaultExtension(const QString& path, const QString& defaultExt) {
    if (path.isEmpty() || defaultExt.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + '.' + defaultExt;
}

QStringList filterExtensions(const QString& filter) {
    QStringList extensions;
    const QString marker = QStringLiteral("*.");
    qsizetype from = 0;
    while (extensions.size() < 5) {
        // In each type "*." stands first in the description, then in the pattern.
        const qsizetype described = filter.indexOf(marker, from);
        if (described < 0)
            break;
        const qsizetype pattern = filter.indexOf(marker, described + marker.size());
        if (pattern < 0)
            break;
        const qsizetype dot = pattern + 1;
        if (filter.size() - dot < 4)
            break;
        extensions << filter.mid(dot, 4);
        from = pattern + marker.size();
    }
    return extensions;
}

QString typeChangedFileName(const QString& filter, int typeIndex, const QString& currentName) {
    const QStringList extensions = filterExtensions(filter);
    if (typeIndex < 1 || typeIndex > extensions.size())
        return currentName;
    const qsizetype slash = std::max(currentName.lastIndexOf(u'/'), currentName.lastIndexOf(u'\\'));
    QString name = currentName.mid(slash + 1);
    if (name.isEmpty())
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    return name + extensions[typeIndex - 1];
}

QString typeExtension(const QString& filter, int typeIndex, const QString& defaultExt) {
    const QStringList extensions = filterExtensions(filter);
    return typeIndex >= 1 && typeIndex <= extensions.size() ? extensions[typeIndex - 1].mid(1) : defaultExt;
}

static bool runFileDialog(QWidget* parent, Prompter::FileRequest& r, QFileDialog::AcceptMode mode) {
    QFileDialog dlg(parent, r.title, r.initialDir);
    dlg.setAcceptMode(mode);
    dlg.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QStringList filters = qtFilterList(r.filter);
    dlg.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dlg.selectNameFilter(filters[r.filterIndex - 1]);
    // A name typed without an extension gets the default one until the user picks a file type, and
    // from then on that type's, in Qt's own dialog and in a desktop's native one alike: the dialog
    // adds it to the name it returns, and so does the code below, for a dialog that would not.
    const auto extensionOf = [&r](int typeIndex) { return typeExtension(r.filter, typeIndex, r.defaultExt); };
    dlg.setDefaultSuffix(r.defaultExt);
    bool typePicked = false;
    if (!r.overwritePrompt)
        dlg.setOption(QFileDialog::DontConfirmOverwrite);
    if (!r.fileName.isEmpty())
        dlg.selectFile(r.fileName);
    if (mode == QFileDialog::AcceptSave) {
        // Picking another file type puts that type's extension on the name being typed, where the
        // dialog shows its name field (Qt's own dialog; a native one keeps its own), and makes it the
        // extension a name typed without one gets.
        QObject::connect(&dlg, &QFileDialog::filterSelected, &dlg,
                         [&dlg, &r, &typePicked, filters, extensionOf](const QString& chosen) {
                             const int index = static_cast<int>(filters.indexOf(chosen)) + 1;
                             typePicked = true;
                             dlg.setDefaultSuffix(extensionOf(index));
                             auto* edit = dlg.findChild<QLineEdit*>("fileNameEdit");
                             if (!edit)
                                 return;
                             const QString renamed = typeChangedFileName(r.filter, index, edit->text());
                             if (!renamed.isEmpty())
                                 edit->setText(renamed);
                         });
    }
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return false;
    r.filterIndex = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    r.fileName =
        withDefaultExtension(dlg.selectedFiles().first(),
                             mode == QFileDialog::AcceptSave ? extensionOf(r.filterIndex) : r.defaultExt);
    return true;
}

bool WidgetPrompter::saveFile(FileRequest& request) {
    return runFileDialog(dialogParent(), request, QFileDialog::AcceptSave);
}

bool WidgetPrompter::openFile(FileRequest& request) {
    return runFileDialog(dialogParent(), request, QFileDialog::AcceptOpen);
}

bool WidgetPrompter::chooseColor(QColor& color) {
    const QColor c = QColorDialog::getColor(color, dialogParent());
    if (!c.isValid())
        return false;
    color = c;
    return true;
}

bool WidgetPrompter::chooseFont(QFont& font) {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, font, dialogParent());
    if (ok)
        font = f;
    return ok;
}

int WidgetPrompter::runDialog(QDialog& dialog) {
    return dialog.exec();
}
