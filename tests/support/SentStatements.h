#pragma once
// The statements the engines send while it lives, each with its values
// ("sql [value, value]"), for tests of what a step costs in round trips.

#include "data/Engine.h"

#include <QStringList>
#include <QVariant>

class SentStatements {
  public:
    SentStatements() {
        Engine::setStatementObserver([this](const QString& sql, const EngineParameters& parameters) {
            QStringList values;
            for (const QVariant& value : parameters)
                values << value.toString();
            list << sql + " [" + values.join(", ") + "]";
        });
    }
    ~SentStatements() { Engine::setStatementObserver(nullptr); }
    SentStatements(const SentStatements&) = delete;
    SentStatements& operator=(const SentStatements&) = delete;

    QStringList list;
};
