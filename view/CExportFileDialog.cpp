#include "CExportFileDialog.h"

#include <array>

#include "CExchangeFormat.h"

namespace {

struct SExportFilter {
    const char* pszFilter;
    const char* pszExtension;
};
// The formats the editor exports, in the order the dialog offers them.
constexpr std::array<SExportFilter, 5> kExportFilters{{
    {"MusicXML-Dateien (*.musicxml)", "musicxml"},
    {"MIDI-Dateien (*.mid)", "mid"},
    {"PDF-Dokumente (*.pdf)", "pdf"},
    {"SVG-Grafiken (*.svg)", "svg"},
    {"PNG-Bilder (*.png)", "png"},
}};

QString ExtensionOf(const QString& filter) {
    for (const SExportFilter& known : kExportFilters) {
        if (filter == QString::fromUtf8(known.pszFilter)) {
            return QString::fromUtf8(known.pszExtension);
        }
    }
    return QString();
}

}  // namespace

CExportFileDialog::CExportFileDialog(QWidget* parent, const QString& suggestedName)
    : QFileDialog(parent, QStringLiteral("Exportieren")) {
    QStringList filters;
    for (const SExportFilter& filter : kExportFilters) {
        filters.append(QString::fromUtf8(filter.pszFilter));
    }
    setNameFilters(filters);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setOption(QFileDialog::DontConfirmOverwrite, false);
    UseSuffixOf(filters.constFirst());
    connect(this, &QFileDialog::filterSelected, this, &CExportFileDialog::UseSuffixOf);
    selectFile(suggestedName);
}

void CExportFileDialog::UseSuffixOf(const QString& filter) {
    setDefaultSuffix(ExtensionOf(filter));
}

QString CExportFileDialog::ChosenPath() const {
    if (result() != QDialog::Accepted || selectedFiles().isEmpty()) {
        return QString();
    }
    return WithFilterExtension(selectedFiles().constFirst(), selectedNameFilter());
}

QString CExportFileDialog::WithFilterExtension(const QString& path, const QString& filter) {
    const QString extension = ExtensionOf(filter);
    if (extension.isEmpty() ||
        CExchangeFormat::FromPath(path.toStdString()) != CExchangeFormat::Kind::none) {
        return path;
    }
    return path + u'.' + extension;
}

// The default suffix covers a bare name; a name with another dot ("lied.v2") gets the
// filter's extension here, before the dialog looks for an existing file, so the question is
// asked about the file that will really be replaced.
void CExportFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
        const QString written = WithFilterExtension(files.constFirst(), selectedNameFilter());
        if (written != files.constFirst()) {
            selectFile(written);
        }
    }
    QFileDialog::accept();
}
