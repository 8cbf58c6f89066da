#include "figurasdapasta.h"

#include <QDirIterator>
#include <QFile>
#include <QHash>

#include <chrono>
#include <mutex>

#include <sys/stat.h>

namespace kvp::combinada::detail {

struct FigurasDaPasta::Listagem {
    QDir pasta;
    QHash<QString, QString> nomes;  // case-folded name -> the file's own name
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
    // Unsorted: sorting a shop's hundred thousand names costs more than reading them. Of
    // names that differ only in case, the first in code order is kept.
    QDirIterator it(caminho, QDir::Files);
    while (it.hasNext()) {
        const QString n = it.nextFileInfo().fileName();
        const QString chave = n.toCaseFolded();
        const auto existente = nova->nomes.find(chave);
        if (existente == nova->nomes.end())
            nova->nomes.insert(chave, n);
        else if (n < *existente)
            *existente = n;
    }
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
    const auto it = m_listagem->nomes.constFind(nome.toCaseFolded());
    return it == m_listagem->nomes.cend() ? QString() : m_listagem->pasta.filePath(*it);
}

bool FigurasDaPasta::isEmpty() const
{
    return !m_listagem || m_listagem->nomes.isEmpty();
}

}  // namespace kvp::combinada::detail
