#pragma once
// Moves the lines of one register into another, empty one, as a shop does
// once when its register moves from the embedded file to the server: every
// line with its key, the key sequence continuing after the largest key the
// old register ever gave. Then the line count, the received pieces and the
// money are read back from the new register inside the same transaction and
// compared with the old one's; only when all three agree is it committed.
// The history of the lines comes along in the same transaction.

#include "data/RegisterConversion.h"

#include <functional>

class Engine;

class RegisterTransfer {
  public:
    // Called every few thousand lines with the number written; false cancels.
    using Progress = std::function<bool(qint64 done)>;
    // More to bring over in the same transaction once the lines are in and
    // checked (the side files); false, with error set, moves nothing.
    using AlsoCopy = std::function<bool(Engine& to, QString* error)>;

    bool copy(Engine& from, Engine& to, const Progress& progress, const AlsoCopy& alsoCopy = {});
    QString errorString() const { return m_error; }
    RegisterFigures sourceFigures() const { return m_source; }
    RegisterFigures targetFigures() const { return m_target; }

    // The three figures of a register, read through its engine.
    static bool readFigures(Engine& engine, RegisterFigures* out, QString* error);

  private:
    bool write(Engine& from, Engine& to, const Progress& progress);
    // The old register's history of its lines, appended to the new one's.
    bool writeHistory(Engine& from, Engine& to);

    QString m_error;
    RegisterFigures m_source;
    RegisterFigures m_target;
};
