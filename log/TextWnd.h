// CTextWnd, the log window: a growing list of colour-coded lines (LogModel) shown
// in a scrollable widget. AddLine is the one way to write into the log; the model
// works before the window is created (Create) and without it.
#pragma once

#include <QAbstractScrollArea>

#include "base/CString.h"
#include "log/LogModel.h"

namespace veltmoor {

class CTextWnd : public QAbstractScrollArea {
    Q_OBJECT
public:
    CTextWnd();
    ~CTextWnd() override;

    // Makes the window a visible child of parent over rect, with that control id.
    bool Create(QWidget* parent, const QRect& rect, int id);
    bool IsCreated() const { return created_; }

    void AddLine(CString text);
    void Clear();
    CString GetText() const;

    const LogModel& Model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LogModel model_;
    bool created_ = false;
};

}  // namespace veltmoor
