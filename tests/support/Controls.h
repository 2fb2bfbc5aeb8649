#pragma once

#include <QLatin1String>
#include <QObject>
#include <QtGlobal>

// A window's controls reached by their names, as the user's vocabulary names
// them: the tests need no accessor the program itself does not use.
class Controls {
public:
    explicit Controls(QObject& root) : root_(&root) {}

    // The control `name` of type T; a test that asks for one that is not there
    // stops at once with its name rather than crashing somewhere later.
    template <class T> T* get(const char* name) const {
        T* found = root_->findChild<T*>(QLatin1String(name));
        if (!found)
            qFatal("no control named %s of the type asked for", name);
        return found;
    }

private:
    QObject* root_;
};
