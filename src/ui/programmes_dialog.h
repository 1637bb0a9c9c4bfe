#pragma once

#include "station/station.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableWidget;

namespace zorvan {

// The programmes: a table of their names, days and times, and for the one
// chosen its labels (8 characters, with a delay each) and its radio text.
// A field left empty keeps the station's, which it shows greyed. Every
// change goes to the station at once; a time or days it cannot use are put
// back as they were.
class ProgrammesDialog : public QDialog {
    Q_OBJECT

public:
    ProgrammesDialog(Station &station, QWidget *parent = nullptr);

    // The one window, non-modal; opening it again brings it forward.
    static ProgrammesDialog *open(Station &station, QWidget *parent);

private:
    enum Column { NameColumn, DaysColumn, StartColumn, EndColumn, FollowColumn, ColumnCount };

    void showProgrammes();
    void showTexts();
    void showInForce();
    void programmeEdited(int row, int column);
    void labelEdited(int index);
    void delayChosen(int index, int position);
    void radioTextEdited();
    void add();
    void remove();
    void commit();
    int chosen() const;

    Station &m_station;
    std::vector<Programme> m_programmes;
    QTableWidget *m_table;
    QTableWidget *m_labels;
    QLineEdit *m_radioText;
    QLabel *m_inForce;
};

} // namespace zorvan
