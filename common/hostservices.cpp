#include "hostservices.h"

namespace kvp {

HostError::HostError(const QString& message) : std::runtime_error(message.toStdString()) {}

DataResult defaultMensagemMetodo(HostServices& services, const DataResult& result, bool show,
                                 const QString& method)
{
    if (!result.isError())
        return result;
    if (!show)
        return DataResult::empty();
    const QString text = method.isEmpty() ? result.errorText()
                                          : method + QStringLiteral(": ") + result.errorText();
    services.Mensagem(text, QString(), QStringLiteral("N"), QStringLiteral("N"),
                      static_cast<int>(MessageKind::Warning), QString(), QString(), 0, nullptr);
    throw SilentAbort();
}

namespace {
HostServices* g_host = nullptr;
}

void installHost(HostServices* services) { g_host = services; }

HostServices& host()
{
    if (!g_host)
        throw HostError(QStringLiteral("No host services are installed"));
    return *g_host;
}

bool hasHost() { return g_host != nullptr; }

}  // namespace kvp
