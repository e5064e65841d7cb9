// A settings tab of the mouse page. It edits what it shows at once; each change goes to the
// device worker as a function applied there to the profile as it is then, so a change another
// program made meanwhile is kept, and the tab never waits on the mouse.
#pragma once

#include <QString>
#include <functional>

#include "mouse/QuillonMouseDevice.h"
#include "ui/Page.h"

class CMouseTabUI : public CPageUI {
    Q_OBJECT
  public:
    // A change of the mouse, run on its device worker.
    using MouseChange = std::function<void(CQuillonMouseDevice&)>;

    explicit CMouseTabUI(QWidget* parent = nullptr);

    // Called on the UI thread once a posted change ran (true) or was dropped because another
    // program kept the mouse busy (false).
    using Reply = std::function<void(bool ran)>;
    using ChangePoster = std::function<void(MouseChange, Reply)>;
    // Where the changes go (the device page's entry posts them to the worker).
    void SetChangePoster(ChangePoster poster) { m_poster = std::move(poster); }
    // A profile the device applied (UI thread; the snapshot was taken on the worker).
    virtual void ShowProfile(const MouseProfileSnapshot& profile) = 0;

    // What follows a change: the profile file and the settings image, the file alone, or
    // nothing (the change stores and writes what it needs itself).
    enum class Tail { kSaveAndWrite, kSaveOnly, kNone };
    // The change followed by its tail, as the worker runs it.
    static MouseChange Committed(const char* what, MouseChange change, Tail tail);

  protected:
    void Post(const char* what, MouseChange change, Tail tail = Tail::kSaveAndWrite,
              Reply reply = {});

    template <class T>
    T* Control(const char* prefix, int n) const {
        return findChild<T*>(QString::fromLatin1(prefix) + QString::number(n));
    }
    template <class T>
    T* Control(const char* name) const {
        return findChild<T*>(QString::fromLatin1(name));
    }

  private:
    ChangePoster m_poster;
};
