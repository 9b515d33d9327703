#pragma once
// A one-line field cannot show a line break, and a value stored with one
// would look different in every other place it is shown: text pasted or
// dropped with breaks keeps each break as one space. A validator sees every
// change of the text, however it came in.

#include <QValidator>

class OneLineValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int& position) const override;
};
