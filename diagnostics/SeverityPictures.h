#pragma once
// The picture container of the diagnostics grid: three small pictures looked
// up by name, "Error", "Warning" and "Info", from the program's resources
// (":/icons/<name>.png").
//
// API:
//   SeverityPictures pictures;             // loads the three pictures once
//   pictures.picture("Warning");           // a null pixmap for an unknown name
//   SeverityPictures::names();             // {"Error", "Warning", "Info"}

#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace vantrel::diagnostics {

class SeverityPictures {
public:
    SeverityPictures();

    static QStringList names();
    QPixmap picture(const QString& name) const { return m_pictures.value(name); }

private:
    QHash<QString, QPixmap> m_pictures;
};

} // namespace vantrel::diagnostics
