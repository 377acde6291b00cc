#pragma once
// The Help button's guide: the PDF that the program carries as the resource
// ":/Guide" (docs/guide.md, rendered at build time), written to the
// temporary-files folder as "Nodalux Configuration Guide.pdf" and opened in
// the system's viewer.
//
// API for the main window (btnHelpClick, editions other than 4):
//   vantrel::diagnostics::openGuide(services);
// which is the same as
//   TPdfOpener opener(services);
//   opener.FDocName = QStringLiteral("Guide");
//   opener.Open();
// With no application registered for PDF files the user is told
// "A pdf application such as Adobe Reader is required." in a plain message box.

#include <QString>

namespace vantrel::ui {
class Services;
}

namespace vantrel::diagnostics {

// The guide's file name in the temporary-files folder.
inline constexpr const char* kGuideFileName = "Nodalux Configuration Guide.pdf";
// The name of the guide among the program's resources.
inline constexpr const char* kGuideResource = "Guide";
inline constexpr const char* kNoPdfApplicationText = "A pdf application such as Adobe Reader is required.";

// Where the guide is written: QDir::tempPath() (TMPDIR, or /tmp) + "/Nodalux Configuration Guide.pdf";
// empty when there is no temporary folder.
QString guidePath();

// Writes one of the program's resources to the guide file and opens it.
class TPdfOpener {
public:
    explicit TPdfOpener(vantrel::ui::Services& services) : m_services(services) {}

    // The resource to show, as named among the program's resources (":/" + FDocName).
    QString FDocName;

    // Writes the resource anew, replacing an older copy. When that cannot be
    // done (a viewer holds the old copy, the folder is read-only) the copy
    // that is there is opened without a word, provided it is a file of this
    // user's; with none, nothing is opened and nothing is said.
    void Open();

private:
    vantrel::ui::Services& m_services;
};

// The Help button: TPdfOpener with FDocName "Guide".
void openGuide(vantrel::ui::Services& services);

} // namespace vantrel::diagnostics
