#pragma once
#include "HistoryTypes.h"

#include <QWidget>
#include <memory>
#include <vector>

class Dialogs;
class HistoryStore;
class MessageSource;
class QCustomPlot;
class QCPTextElement;
class QComboBox;
class QLabel;
class QPushButton;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;
class FiringFilter;

// The History tab: the recorded firings in a sortable list filtered by program and kiln; the
// curve of the firing selected, or several overlaid on the time since their start; how fast
// the kiln heats at full power across its firings; export to CSV and deletion.
class HistoryPage : public QWidget {
    Q_OBJECT
public:
    HistoryPage(const QString& path, const MessageSource& texts, Dialogs& dialogs, QWidget* parent = nullptr);
    ~HistoryPage() override;

    void setPath(const QString& path);
    // Reads the list anew, keeping the selection where it can.
    void reload();
    void exportSelected();
    void deleteSelected();
    // The firings selected, in the list's order.
    std::vector<qint64> selectedIds() const;
    void select(const std::vector<qint64>& ids);

    QTableView* table = nullptr;
    QComboBox* programFilter = nullptr;
    QComboBox* kilnFilter = nullptr;
    QPushButton* HistoryExport = nullptr;
    QPushButton* HistoryDelete = nullptr;
    QCustomPlot* chart = nullptr;
    QCustomPlot* wearChart = nullptr;
    QLabel* wearText = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    enum Column { Date, Program, Kiln, Result, Peak, Duration, Energy, Cost, Note, ColumnCount };
    void build();
    bool openStore();
    void fillModel();
    void fillFilters();
    void setHeaders();
    void showSelection();
    void showCurves(const std::vector<qint64>& ids);
    void showWear(const std::vector<qint64>& ids);
    void noteEdited(int row);
    const FiringSummary* firing(qint64 id) const;
    QString outcomeText(Outcome o) const;
    QString text(const char* key) const;

    QString path_;
    const MessageSource& texts_;
    Dialogs& dialogs_;
    std::unique_ptr<HistoryStore> store_;
    std::vector<FiringSummary> firings_;
    QStandardItemModel* model_ = nullptr;
    FiringFilter* filter_ = nullptr;
    bool filling_ = false;
    QCPTextElement* wearTitle_ = nullptr;
};
