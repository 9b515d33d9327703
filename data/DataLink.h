#pragma once
// A control bound to a column of the order table. Before the table stores or
// settles a pending line it asks every link to write the text being typed into
// its column, so that typed text counts.

class DataLink {
  public:
    virtual ~DataLink() = default;
    // Writes the control's pending text into its column. Returns false when the
    // text cannot be taken (the control has told the user why and keeps the
    // focus); the store then does not happen.
    virtual bool commitPendingText() = 0;
};
