#include "chart_picture.h"

#include "platform/checked_save_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <qcustomplot.h>

namespace {

QString extensionOf(PictureType type) {
    switch (type) {
    case PictureType::Svg:
        return QStringLiteral("svg");
    case PictureType::Pdf:
        return QStringLiteral("pdf");
    default:
        return QStringLiteral("png");
    }
}

bool writeSvg(QCustomPlot& plot, const QString& fileName, int width, int height) {
    QSvgGenerator svg;
    svg.setFileName(fileName);
    svg.setSize(QSize(width, height));
    svg.setViewBox(QRect(0, 0, width, height));
    svg.setTitle(QStringLiteral("Graph"));
    QCPPainter painter;
    if (!painter.begin(&svg))
        return false;
    plot.toPainter(&painter, width, height);
    return painter.end();
}

} // namespace

QString pictureFileFilter() {
    // Lower case, as the files this command writes are named.
    return QStringLiteral("PNG Picture (*.png)|*.png|PNG Picture, double size (*.png)|*.png|"
                          "SVG Picture (*.svg)|*.svg|PDF Document (*.pdf)|*.pdf");
}

PictureType pictureTypeOf(int filterIndex, QString& fileName) {
    const PictureType chosen = filterIndex == 2   ? PictureType::Png2x
                               : filterIndex == 3 ? PictureType::Svg
                               : filterIndex == 4 ? PictureType::Pdf
                                                  : PictureType::Png;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return chosen == PictureType::Png2x ? PictureType::Png2x : PictureType::Png;
    if (suffix == QLatin1String("svg"))
        return PictureType::Svg;
    if (suffix == QLatin1String("pdf"))
        return PictureType::Pdf;
    fileName += u'.' + extensionOf(chosen);
    return chosen;
}

bool saveChartPicture(QCustomPlot& plot, const QString& fileName, PictureType type, QString* error) {
    const auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The picture could not be written to %1: %2")
                         .arg(QDir::toNativeSeparators(fileName), why);
        return false;
    };
    const int width = plot.width();
    const int height = plot.height();
    if (width <= 0 || height <= 0)
        return fail(QStringLiteral("the graph has no size."));

    QTemporaryDir work;
    if (!work.isValid())
        return fail(work.errorString());
    const QString drawn = work.filePath(QStringLiteral("picture.") + extensionOf(type));
    bool ok = false;
    switch (type) {
    case PictureType::Png:
        ok = plot.savePng(drawn, width, height, 1.0);
        break;
    case PictureType::Png2x:
        ok = plot.savePng(drawn, width, height, 2.0);
        break;
    case PictureType::Svg:
        ok = writeSvg(plot, drawn, width, height);
        break;
    case PictureType::Pdf:
        ok = plot.savePdf(drawn, width, height, QCP::epAllowCosmetic, QStringLiteral("QZ407"),
                          QStringLiteral("Graph"));
        break;
    }
    QFile picture(drawn);
    if (!ok || !picture.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("the picture could not be drawn."));
    const QByteArray bytes = picture.readAll();

    // Replaces an older file of the name only once the whole picture is written.
    QString reason;
    if (!saveFileWhole(fileName, bytes, &reason))
        return fail(reason);
    return true;
}
