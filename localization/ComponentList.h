#pragma once

// The named, translatable components a window offers the language engine.

#include <QList>
#include <QObject>
#include <QPointer>

// The components a window owns, flat and in creation order whatever their visual nesting:
// the translation engine reaches them as "WindowName.componentName".
class TComponentList {
public:
    template <typename T> T* add(T* component, const char* name) {
        component->setObjectName(QLatin1String(name));
        m_components.append(component);
        return component;
    }
    QList<QObject*> components() const {
        QList<QObject*> result;
        for (const auto& c : m_components)
            if (c)
                result.append(c.data());
        return result;
    }

private:
    QList<QPointer<QObject>> m_components;
};

// A window whose components the translation engine can walk.
class IComponentOwner {
public:
    virtual ~IComponentOwner() = default;
    virtual QList<QObject*> Components() const = 0;
};
