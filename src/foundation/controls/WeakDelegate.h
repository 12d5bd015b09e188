// The controls' reference to their delegate: never owning, and never dangling for a
// delegate that is also a QObject (the window controllers), which clears itself when that
// object is destroyed. Any other delegate must be cleared by its owner before it dies.
#pragma once

#include <QObject>
#include <QPointer>

template <class Delegate> class WeakDelegate {
public:
    void reset(Delegate* d) {
        m_delegate = d;
        QObject* object = dynamic_cast<QObject*>(d);
        m_guard = object;
        m_guarded = object != nullptr;
    }
    // The delegate, or nullptr when there is none or it has been destroyed.
    Delegate* get() const {
        if (m_guarded && m_guard.isNull())
            return nullptr;
        return m_delegate;
    }

private:
    Delegate* m_delegate = nullptr;
    QPointer<QObject> m_guard;
    bool m_guarded = false;
};
