#include "figurasdapasta.h"

#include <QFile>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
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

// A plain file's name (or a link's to one), as Qt's file listing gives them: hidden
// names left out.
bool ehArquivo(int pasta, const struct dirent& e)
{
    if (e.d_name[0] == '.')
        return false;
    if (e.d_type == DT_REG)
        return true;
    if (e.d_type != DT_LNK && e.d_type != DT_UNKNOWN)
        return false;
    struct stat st{};
    return ::fstatat(pasta, e.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

// Read straight from the folder, unsorted: Qt's listing makes an object per name and
// sorts a shop's hundred thousand names, which costs more than reading them. Names in
// plain ASCII are folded here; the rest as Qt folds them.
void leNomes(const QString& caminho, FigurasDaPasta::Listagem& l)
{
    DIR* dir = ::opendir(QFile::encodeName(caminho).constData());
    if (!dir)
        return;
    while (const struct dirent* e = ::readdir(dir)) {
        if (!ehArquivo(::dirfd(dir), *e))
            continue;
        const std::string_view bruto(e->d_name);
        if (std::all_of(bruto.begin(), bruto.end(), [](char c) { return (c & 0x80) == 0; })) {
            std::string dobrado(bruto);
            bool mudou = false;
            for (char& c : dobrado) {
                if (c >= 'A' && c <= 'Z') {
                    c = char(c - 'A' + 'a');
                    mudou = true;
                }
            }
            if (!mudou)
                l.minusculos.push_back(std::move(dobrado));
            else
                l.outros.emplace_back(std::move(dobrado), QString::fromLatin1(bruto.data(), qsizetype(bruto.size())));
            continue;
        }
        const QString n = QFile::decodeName(e->d_name);
        const QString dobrado = n.toCaseFolded();
        if (dobrado == n)
            l.minusculos.push_back(n.toStdString());
        else
            l.outros.emplace_back(dobrado.toStdString(), n);
    }
    ::closedir(dir);
}

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
    leNomes(caminho, *nova);
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
