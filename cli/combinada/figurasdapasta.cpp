#include "figurasdapasta.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

namespace kvp::combinada::detail {

// Compact, as a shop's folder may hold a hundred thousand names: the case-folded names
// of files already named so, sorted; and, sorted by their folded form, the names of the
// files that are not.
struct FigurasDaPasta::Listagem {
    QDir pasta;
    std::vector<std::string> minusculos;
    std::vector<std::pair<std::string, QString>> outros;
    dev_t dispositivo = 0;
    ino_t inode = 0;
    qint64 alteradaNs = 0;  // the folder's modification time when listed
    qint64 listadaNs = 0;   // when it was listed
};

namespace {

qint64 nanos(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 agoraNs()
{
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

// A folder changed within this long of its listing may have changed again within the same
// tick of a coarse file system clock without its time moving: such a listing is not kept.
constexpr qint64 kFolgaNs = 2'000'000'000;

std::shared_ptr<const FigurasDaPasta::Listagem> lista(const QDir& pasta)
{
    static std::mutex guarda;
    static QHash<QString, std::shared_ptr<const FigurasDaPasta::Listagem>> listadas;

    const QString caminho = pasta.absolutePath();
    struct stat st{};
    if (::stat(QFile::encodeName(caminho).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        const std::lock_guard<std::mutex> trava(guarda);
        listadas.remove(caminho);
        return nullptr;
    }
    {
        const std::lock_guard<std::mutex> trava(guarda);
        const auto it = listadas.constFind(caminho);
        if (it != listadas.cend()) {
            const auto& l = *it;
            if (l->dispositivo == st.st_dev && l->inode == st.st_ino &&
                l->alteradaNs == nanos(st.st_mtim) && l->alteradaNs < l->listadaNs - kFolgaNs)
                return l;
        }
    }
    auto nova = std::make_shared<FigurasDaPasta::Listagem>();
    nova->pasta = QDir(caminho);
    nova->dispositivo = st.st_dev;
    nova->inode = st.st_ino;
    nova->alteradaNs = nanos(st.st_mtim);
    nova->listadaNs = agoraNs();
    // Read unsorted: sorting a shop's hundred thousand names as Qt does costs more than
    // reading them.
    QDirIterator it(caminho, QDir::Files);
    while (it.hasNext()) {
        const QString n = it.nextFileInfo().fileName();
        const QString dobrado = n.toCaseFolded();
        if (dobrado == n)
            nova->minusculos.push_back(n.toStdString());
        else
            nova->outros.emplace_back(dobrado.toStdString(), n);
    }
    std::sort(nova->minusculos.begin(), nova->minusculos.end());
    std::sort(nova->outros.begin(), nova->outros.end());
    nova->minusculos.shrink_to_fit();
    nova->outros.shrink_to_fit();
    const std::lock_guard<std::mutex> trava(guarda);
    listadas.insert(caminho, nova);
    return nova;
}

}  // namespace

FigurasDaPasta::FigurasDaPasta(const QDir& pasta) : m_listagem(lista(pasta)) {}

QString FigurasDaPasta::procura(const QString& nome) const
{
    if (!m_listagem)
        return {};
    const std::string chave = nome.toCaseFolded().toStdString();
    // Of names that differ only in case, the first in code order: capitals come first, so
    // a name not already in small letters wins over one that is.
    const auto& outros = m_listagem->outros;
    const auto primeiro = std::lower_bound(outros.begin(), outros.end(), chave,
                                           [](const auto& par, const std::string& k) { return par.first < k; });
    if (primeiro != outros.end() && primeiro->first == chave)
        return m_listagem->pasta.filePath(primeiro->second);
    const auto& minusculos = m_listagem->minusculos;
    if (std::binary_search(minusculos.begin(), minusculos.end(), chave))
        return m_listagem->pasta.filePath(QString::fromStdString(chave));
    return {};
}

bool FigurasDaPasta::isEmpty() const
{
    return !m_listagem || (m_listagem->minusculos.empty() && m_listagem->outros.empty());
}

}  // namespace kvp::combinada::detail
