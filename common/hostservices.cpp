#include "hostservices.h"

#include <chrono>

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

namespace {

struct StepMoment {
    int depth = 0;
    QDateTime moment;
    std::chrono::steady_clock::time_point readAt;
};
thread_local StepMoment t_step;

// Long enough for any step that does not wait on anyone, short enough that a step which
// waited never hands on a stale minute.
constexpr std::chrono::milliseconds kStepMomentKept{20};

}  // namespace

StepClock::StepClock()
{
    if (t_step.depth++ == 0)
        t_step.moment = QDateTime();
}

StepClock::~StepClock() { --t_step.depth; }

QDateTime stepNow()
{
    if (t_step.depth == 0)
        return host().now();
    const auto now = std::chrono::steady_clock::now();
    if (!t_step.moment.isValid() || now - t_step.readAt > kStepMomentKept) {
        t_step.moment = host().now();
        t_step.readAt = now;
    }
    return t_step.moment;
}

}  // namespace kvp
