#pragma once
// The pictures of the console's picture buttons, drawn in code so that they scale and need
// no resource files.

#include <QIcon>
#include <QToolButton>

namespace kvir {

enum class ToolIcon {
    Folders,     // records by folder
    Calendar,    // records by date
    FolderGear,  // folder management
    Settings,    // settings page
    Connect,     // connect to the instrument
    Connected,   // the same, while an instrument is connected (a green light)
    Exit,        // end of program
    SaveToFile,  // tag rows for the export file
    Print,       // tag rows for printing
    Tick,        // header of the tag column
    Chart,       // the chart page
    Archive,     // the measurement archive
};

QIcon DrawToolIcon(ToolIcon kind, int size = 44);

// A picture button with the product's "flat" state: a flat button is drawn pressed in (the
// page being shown, or the connect button while an exchange runs), the others raised.
class PictureButton : public QToolButton {
    Q_OBJECT
  public:
    explicit PictureButton(QWidget* parent = nullptr);

    bool isFlat() const { return flat_; }
    void setFlat(bool flat);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool flat_ = false;
};

}  // namespace kvir
