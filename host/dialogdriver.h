#pragma once

// Every question the reference host puts to a person goes through a DialogDriver. The Qt
// driver opens a dialog; a script driver can answer the same requests from a file, so a
// sale can be replayed without anybody at the screen. Requests carry what the person
// would see; answers carry only what the person decided.

#include "dataset.h"
#include "hostservices.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace kvp::refhost {

struct MessageRequest {
    QString text;
    MessageKind kind = MessageKind::Information;
    QString scheme;  // the colour scheme code the module passes; informative only
};

struct KeypadRequest {
    QString initial;  // shown, replaced by the first key typed
    QString title;
    QString prompt;
    QString hint;       // a further line under the prompt; may be empty
    int maxLength = 0;  // 0: no limit
    bool allowComma = true;
    bool masked = false;  // a PIN: dots instead of digits
};

struct ObservationRequest {
    QString productCode;
    QString productName;
    // The occurrences on offer: at least CDOCORR and DSOCORR; CDGRPOCOR, CDPRODUTO and
    // IDCONTROLAOBS when the shop uses groups and controlled observations.
    DataPacket occurrences;
};

struct ObservationChoice {
    bool confirmed = false;
    QList<int> rows;  // 0-based rows of the request's occurrences, in the order chosen
    QString typed;    // free text typed by the operator
};

struct CouponRequest {
    QString title;
    QString prompt;
    int maxLength = 10;
};

struct SearchRequest {
    QString title;
    // The rows the operator may pick from, with the fields' titles, widths and visibility.
    DataPacket rows;
};

struct FiscalMenuRequest {
    QStringList entries;
};

class DialogDriver {
public:
    virtual ~DialogDriver() = default;

    // True for "Sim" on a question; information and warnings return true once read.
    virtual bool message(const MessageRequest& request) = 0;
    // The typed text, or nullopt when cancelled.
    virtual std::optional<QString> keypad(const KeypadRequest& request) = 0;
    virtual ObservationChoice observation(const ObservationRequest& request) = 0;
    // The typed code, or nullopt when cancelled.
    virtual std::optional<QString> coupon(const CouponRequest& request) = 0;
    // The 0-based row picked, or nullopt when cancelled.
    virtual std::optional<int> search(const SearchRequest& request) = 0;
    // The 0-based entry chosen, or nullopt when closed.
    virtual std::optional<int> fiscalMenu(const FiscalMenuRequest& request) = 0;
};

}  // namespace kvp::refhost
