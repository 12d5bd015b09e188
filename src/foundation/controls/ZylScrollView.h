// A scroll area with an `enable` flag that its owners may set; the flag changes nothing.
#pragma once

#include <QScrollArea>

class ZylScrollView : public QScrollArea {
    Q_OBJECT
public:
    explicit ZylScrollView(QWidget* parent = nullptr);
    ~ZylScrollView() override;

    void setEnable(bool e) { m_enable = e; }
    bool enable() const { return m_enable; }

private:
    bool m_enable = false;
};
