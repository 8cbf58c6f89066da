#pragma once

// The file names of the product pictures' folder, looked up without regard to case: shops
// copy "P5120102002.BMP" for what the screen asks as "p5120102002.bmp". A shop keeps a
// picture per product, and every group touch and pre-selection looks up some: the folder
// is listed again only when it has changed, not on every look-up.

#include <QDir>
#include <QString>

#include <memory>

namespace kvp::combinada::detail {

class FigurasDaPasta {
public:
    // The folder's files as they are now (none when the folder is missing).
    explicit FigurasDaPasta(const QDir& pasta);

    // The path of the file named nome in any case, or empty. Where names differ only in
    // case, the first in code order ("P1.BMP" before "p1.bmp") is the one found.
    QString procura(const QString& nome) const;
    bool isEmpty() const;

    struct Listagem;

private:
    std::shared_ptr<const Listagem> m_listagem;
};

}  // namespace kvp::combinada::detail
