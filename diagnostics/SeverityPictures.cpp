#include "diagnostics/SeverityPictures.h"

namespace vantrel::diagnostics {

SeverityPictures::SeverityPictures() {
    for (const QString& name : names())
        m_pictures.insert(name, QPixmap(QStringLiteral(":/icons/%1.png").arg(name)));
}

QStringList SeverityPictures::names() {
    return {QStringLiteral("Error"), QStringLiteral("Warning"), QStringLiteral("Info")};
}

} // namespace vantrel::diagnostics
