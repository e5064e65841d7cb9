#include "app/QtDispatcher.h"

CQtDispatcher::CQtDispatcher() : m_receiver(new QObject) {}

CQtDispatcher::~CQtDispatcher() {
    delete m_receiver;
}

void CQtDispatcher::Post(std::function<void()> work) {
    QMetaObject::invokeMethod(m_receiver, std::move(work), Qt::QueuedConnection);
}
