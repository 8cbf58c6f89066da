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

// Compact, as a shop's folder may hold a hundred thousand names: each file as its
// case-folded name and its own name (left empty when the same), end to end in one buffer,
// found through offsets sorted by the folded name and then the own name.
struct FigurasDaPasta::Listagem {
    QDir pasta;
    std::string texto;
    std::vector<quint32> entradas;
    dev_t dispositivo = 0;
    ino_t inode = 0;
    qint64 alteradaNs = 0;  // the folder's modification time when listed
    qint64 listadaNs = 0;   // when it was listed

    std::string_view dobrado(quint32 i) const { return std::string_view(texto.data() + i); }
    std::string_view proprio(quint32 i) const
    {
        const std::string_view d = dobrado(i);
        const std::string_view p(texto.data() + i + d.size() + 1);
        return p.empty() ? d : p;
    }
    void acrescenta(std::string_view d, std::string_view p)
    {
        entradas.push_back(quint32(texto.size()));
        texto.append(d).push_back('\0');
        if (p != d)
            texto.append(p);
        texto.push_back('\0');
    }
    void ordena()
    {
        std::sort(entradas.begin(), entradas.end(), [this](quint32 a, quint32 b) {
            const auto da = dobrado(a), db = dobrado(b);
            return da != db ? da < db : proprio(a) < proprio(b);
        });
        entradas.shrink_to_fit();
        texto.shrink_to_fit();
    }
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
            char dobrado[256];
            const size_t n = std::min(bruto.size(), sizeof dobrado);
            std::transform(bruto.begin(), bruto.begin() + n, dobrado,
                           [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
            l.acrescenta(std::string_view(dobrado, n), bruto);
            continue;
        }
        const QString nome = QFile::decodeName(e->d_name);
        l.acrescenta(nome.toCaseFolded().toUtf8().toStdString(), nome.toUtf8().toStdString());
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
    nova->ordena();
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
    const Listagem& l = *m_listagem;
    const QByteArray chave = nome.toCaseFolded().toUtf8();
    const std::string_view k(chave.constData(), size_t(chave.size()));
    // Of names that differ only in case, the first in code order.
    const auto it = std::lower_bound(l.entradas.begin(), l.entradas.end(), k,
                                     [&l](quint32 e, std::string_view procurado) { return l.dobrado(e) < procurado; });
    if (it == l.entradas.end() || l.dobrado(*it) != k)
        return {};
    const std::string_view proprio = l.proprio(*it);
    return l.pasta.filePath(QString::fromUtf8(proprio.data(), qsizetype(proprio.size())));
}

bool FigurasDaPasta::isEmpty() const
{
    return !m_listagem || m_listagem->entradas.empty();
}

}  // namespace kvp::combinada::detail
