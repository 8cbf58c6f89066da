#pragma once

// A dialog driver for tests: answers from queues and keeps every request it was given.

#include "dialogdriver.h"

#include <deque>
#include <stdexcept>

namespace kvp::test {

class FakeDriver : public refhost::DialogDriver {
public:
    std::deque<bool> messageAnswers;
    std::deque<std::optional<QString>> keypadAnswers;
    std::deque<refhost::ObservationChoice> observationAnswers;
    std::deque<std::optional<QString>> couponAnswers;
    std::deque<std::optional<int>> searchAnswers;
    std::deque<std::optional<int>> fiscalAnswers;

    QList<refhost::MessageRequest> messages;
    QList<refhost::KeypadRequest> keypads;
    QList<refhost::ObservationRequest> observations;
    QList<refhost::SearchRequest> searches;

    bool message(const refhost::MessageRequest& r) override
    {
        messages.append(r);
        if (r.kind != MessageKind::Question)
            return true;
        return take(messageAnswers);
    }
    std::optional<QString> keypad(const refhost::KeypadRequest& r) override
    {
        keypads.append(r);
        return take(keypadAnswers);
    }
    refhost::ObservationChoice observation(const refhost::ObservationRequest& r) override
    {
        observations.append(r);
        return take(observationAnswers);
    }
    std::optional<QString> coupon(const refhost::CouponRequest&) override
    {
        return take(couponAnswers);
    }
    std::optional<int> search(const refhost::SearchRequest& r) override
    {
        searches.append(r);
        return take(searchAnswers);
    }
    std::optional<int> fiscalMenu(const refhost::FiscalMenuRequest&) override
    {
        return take(fiscalAnswers);
    }

private:
    template <typename T>
    static T take(std::deque<T>& q)
    {
        if (q.empty())
            throw std::logic_error("a dialog opened that the test did not expect");
        T v = q.front();
        q.pop_front();
        return v;
    }
};

}  // namespace kvp::test
