#pragma once

#include "core/data/TDados.h"

#include <QList>
#include <QSize>
#include <QWidget>

#include <memory>

class QFrame;
class QHBoxLayout;
class QMdiSubWindow;

namespace ambitra {
class EditingProtocol;
class Progress;
class Prompter;
}  // namespace ambitra

namespace ambitra::ui {

class DBGrid;
class DBNavigator;
class FieldBinding;

// What the three maintenance windows share: the grid on the left, the edit panel
// on the right, the navigator along the bottom, all driven by an editing protocol.
// It brings the controls in line with the protocol's mode (enabled states,
// colours, focus), moves on with Enter, tracks changes, and closes only when the
// protocol lets it. Subclasses build the panel and add their own steps.
class RecordWindow : public QWidget {
    Q_OBJECT

  public:
    // size: the window's own size; minimum: its smallest; childArea: the usable
    // client area of the main window (ChildWidth by ChildHeight).
    RecordWindow(EditingProtocol* protocol, Prompter& prompter, QSize size, QSize minimum,
                 QSize childArea, QWidget* parent = nullptr);
    ~RecordWindow() override;

    EditingProtocol& protocol() const { return *m_protocol; }
    DBGrid* grid() const { return m_grid; }
    DBNavigator* navigator() const { return m_navigator; }
    QFrame* panel() const { return m_panel; }
    FieldBinding& binding() const { return *m_binding; }
    // The control bound to a column (or the unbound control of that name).
    QWidget* control(const QString& field) const;

    // Brings every control in line with the mode flags.
    void UpdateControls();
    // The first activation's work (and, for the assets, every activation's).
    void FormActivate();

    // Where a window of that size goes in a client area of that size: the
    // top-left corner when its design position would not leave it inside,
    // otherwise (an invalid rectangle) where the windowing system puts it.
    static QRect Placement(QSize size, QSize childArea);

  protected:
    // The pointer shown while the windows' rules are busy.
    static Progress& cursorProgress();
    // Registers a control of the edit panel, in tab order. The protocol decides
    // whether it is enabled; it takes part in focus colours and Enter moves.
    void addEditControl(QWidget* control, const QString& field);
    // Enables a control with the edit controls, outside colours and Enter moves.
    void addFollower(QWidget* control, const QString& field);
    // "Etiquetas..." beside the navigator: the labels print dialog, offering the
    // rows chosen in the grid (several may then be chosen).
    void addLabelsButton(TDados& dados, bool locations);
    // The row along the bottom, beside the navigator.
    QHBoxLayout* bottomRow() const { return m_bottom; }
    // Keys of the rows chosen in the grid, in the grid's order.
    QStringList selectedKeys() const;
    // Steps of UpdateControls for subclasses: before enabling, and visibility.
    virtual void beforeEnableControls() {}
    virtual void updateVisibility() {}

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    Prompter& m_prompter;

  private:
    struct Control {
        QWidget* widget;
        QString field;
        bool edit;  // coloured and reached with Enter
    };

    void EnableEditControls();
    void SetFocusColor(QWidget* control);
    void focusField(const QString& field);
    void moveToNextControl(QWidget* from);
    void attachToSubWindow();
    // Where the windowing system would put a new child window: the next cascade
    // step, at the window's natural size.
    QRect cascadePlace(QMdiSubWindow* frame) const;

    std::unique_ptr<EditingProtocol> m_protocol;
    QSize m_size;
    QSize m_minimum;
    QSize m_childArea;
    DBGrid* m_grid;
    QFrame* m_panel;
    DBNavigator* m_navigator;
    QHBoxLayout* m_bottom;
    FieldBinding* m_binding;
    QList<Control> m_controls;
    bool m_placed = false;
    bool m_attached = false;
};

}  // namespace ambitra::ui
