// SPDX-License-Identifier: GPL-2.0-or-later
// The one road from a page or dialog to its device and back. A commit is a function posted to
// the device's worker, run there under the lock shared with other programs; its typed result
// comes back on the page's thread. The road first shows the message named for a failure
// through the window's one message channel, then hands the outcome to the page's own reply,
// which may add to it but never replaces it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

// Whether a posted commit ran: it did, another program kept the lock, or the device (or its
// worker) went before it could.
enum class CommitState { kRan, kBusy, kGone };

// A message by its language key; "%1" in its text takes `argument`.
struct PageMessage {
    QString key;
    QString argument;
    bool IsSet() const { return !key.isEmpty(); }
};

// The window's one message channel. Pages name messages by key; the window shows them in the
// user's language. Every key shown is recorded, and a test may answer in the window's place.
class CPageMessages {
  public:
    // Shows the text; with `ask` offers confirm and cancel and `answered` learns the choice.
    using Opener =
        std::function<void(const QString& text, bool ask, std::function<void(bool)> answered)>;
    // A test's answer to a message, in place of the window.
    using Answerer = std::function<bool(const PageMessage& message, bool ask)>;

    void SetOpener(Opener opener) { m_opener = std::move(opener); }
    void SetAnswerer(Answerer answerer) { m_answerer = std::move(answerer); }

    void Tell(const PageMessage& message);
    void Tell(const char* key, const QString& argument = {}) {
        Tell({QLatin1String(key), argument});
    }
    // `confirmed` runs only when the user confirms; nobody to ask declines.
    void Ask(const PageMessage& message, std::function<void()> confirmed);

    // The keys shown so far, in order.
    const QStringList& Keys() const { return m_keys; }
    void ClearKeys() { m_keys.clear(); }

  private:
    void Show(const PageMessage& message, bool ask, std::function<void(bool)> answered);

    Opener m_opener;
    Answerer m_answerer;
    QStringList m_keys;
};

// Writes `write` at once for a file that does not exist; for one that does, once the user
// agreed to replace it (nothing is written when nobody can be asked).
void WriteUnlessDeclined(CPageMessages* messages, const QString& file, std::function<void()> write);

// The messages an operation names for its failures; null where it has none.
struct CommitNames {
    // Another program kept the mouse busy, so nothing ran.
    const char* busy = nullptr;
    // The mouse did not take the change.
    const char* failed = nullptr;
    // The mouse took it but the profile file could not be saved.
    const char* notSaved = nullptr;
    // Too large for the mouse; "%1" is the amount over.
    const char* overLimit = nullptr;
    // Only a part failed (the macros), the rest went.
    const char* partial = nullptr;
};

// The message for a result of an operation; each result type brings its own overload.
template <class Result>
PageMessage ResultMessage(const CommitNames&, const Result&) {
    return {};
}

// What runs on the worker; it returns what then runs on the UI thread.
using DeviceWork = std::function<std::function<void()>()>;
// Hands `work` to the device's worker, to run under the lock between programs, and runs what it
// returns on the UI thread. When the work does not run, `notRan` learns why on the UI thread,
// exactly once.
using WorkPoster = std::function<void(DeviceWork work, std::function<void(CommitState)> notRan)>;

template <class Result>
struct Committed {
    CommitState state = CommitState::kGone;
    Result result{};
    bool Ran() const { return state == CommitState::kRan; }
};

template <class Device>
class CCommitRoad {
  public:
    CCommitRoad() = default;
    CCommitRoad(WorkPoster poster, Device* device, CPageMessages* messages)
        : m_poster(std::move(poster)), m_device(device), m_messages(messages) {}

    bool IsBound() const { return m_poster && m_device; }
    CPageMessages* Messages() const { return m_messages; }

    // Runs `work` on the device's worker; then on `page`'s thread the message `names` gives for
    // the outcome, then `reply`. Dropped when the page is gone first.
    template <class Result>
    void Commit(QObject* page, const CommitNames& names, std::function<Result(Device&)> work,
                std::function<void(const Committed<Result>&)> reply = {}) const {
        QPointer<QObject> guard(page);
        auto finish = [guard, names, messages = m_messages,
                       reply](const Committed<Result>& outcome) {
            if (!guard)
                return;
            if (messages)
                if (PageMessage message = MessageFor(names, outcome); message.IsSet())
                    messages->Tell(message);
            if (reply)
                reply(outcome);
        };
        if (!IsBound()) {
            finish(Committed<Result>{CommitState::kGone, Result{}});
            return;
        }
        Device* device = m_device;
        m_poster(
            [device, work = std::move(work), finish]() -> std::function<void()> {
                Committed<Result> outcome{CommitState::kRan, work(*device)};
                return [finish, outcome] { finish(outcome); };
            },
            [finish](CommitState state) {
                finish(Committed<Result>{state, Result{}});
            });
    }

    template <class Result>
    static PageMessage MessageFor(const CommitNames& names, const Committed<Result>& outcome) {
        switch (outcome.state) {
            case CommitState::kBusy:
                return names.busy ? PageMessage{QLatin1String(names.busy), {}} : PageMessage{};
            case CommitState::kGone:
                return names.failed ? PageMessage{QLatin1String(names.failed), {}} : PageMessage{};
            case CommitState::kRan:
                break;
        }
        return ResultMessage(names, outcome.result);
    }

  private:
    WorkPoster m_poster;
    Device* m_device = nullptr;
    CPageMessages* m_messages = nullptr;
};
