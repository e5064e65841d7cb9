// SPDX-License-Identifier: GPL-2.0-or-later
// A settings tab of the mouse page. It edits what it shows at once; each change goes to the
// device worker as a function applied there to the profile as it is then, so a change another
// program made meanwhile is kept, and the tab never waits on the mouse. A change that fails is
// told through the page road, and the tab then shows what the profile holds.
#pragma once

#include <QString>
#include <functional>

#include "mouse/QuillonMouseDevice.h"
#include "mouse/ui/MouseRoad.h"
#include "ui/Page.h"

class CMouseTabUI : public CPageUI {
    Q_OBJECT
  public:
    // A change of the mouse, run on its device worker.
    using MouseChange = std::function<void(CQuillonMouseDevice&)>;
    using Reply = std::function<void(const MouseCommitted&)>;

    explicit CMouseTabUI(QWidget* parent = nullptr);

    // The road to the mouse (the device page hands it on).
    void SetRoad(const MouseRoad& road) { m_road = road; }
    const MouseRoad& Road() const { return m_road; }
    // A profile the device applied (UI thread; the snapshot was taken on the worker).
    virtual void ShowProfile(const MouseProfileSnapshot& profile) = 0;
    // A switch, reset or restore of the defaults ends what the tab held of the profile as it was.
    virtual void EndEdit() {}

    // What follows a change: the profile file and the settings image, or the file alone.
    enum class Tail { kSaveAndWrite, kSaveOnly };
    // The change followed by its tail, as the worker runs it. After a failure the page is shown
    // the profile as it then stands.
    static std::function<MouseResult(CQuillonMouseDevice&)> Committed(MouseChange change,
                                                                      Tail tail);

  protected:
    // A settings change, with the settings' messages.
    void Post(MouseChange change, Tail tail = Tail::kSaveAndWrite, Reply reply = {});
    // Any commit of the tab, with the messages `names` gives.
    void Commit(const CommitNames& names, std::function<MouseResult(CQuillonMouseDevice&)> work,
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
    MouseRoad m_road;
};
