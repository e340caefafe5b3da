#pragma once

#include <QDialog>

class QFrame;
class QLabel;

namespace qb {

class Platform;

// The about box: a borderless black box with the logo, the maker and notice lines, the mail
// and web links, and an X picture that closes it. The links open through the platform, which
// must outlive the box.
class mgABOUT final : public QDialog
{
public:
    mgABOUT(Platform &platform, QWidget *parent);

    QLabel *imgMOSSGR() const { return m_imgMOSSGR; }
    QLabel *imgIcon() const { return m_imgIcon; }
    QLabel *btnEND() const { return m_btnEND; }
    QLabel *lblINFO(int index) const { return m_lblINFO[index]; } // 0..3
    QFrame *lnDIV(int index) const { return m_lnDIV[index]; }     // 0..1

    // The X sits at the right edge of the box's outer width.
    void Form_Activate();
    void btnEND_Click();
    void lblINFO_Click(int index);
    void Form_MouseMove();
    void lblINFO_MouseMove(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void createPictures();
    void createTexts();
    static bool isLink(int index) { return index == 1 || index == 2; }

    Platform &m_platform;
    QLabel *m_imgMOSSGR = nullptr;
    QLabel *m_imgIcon = nullptr;
    QLabel *m_btnEND = nullptr;
    QLabel *m_lblINFO[4] = {};
    QFrame *m_lnDIV[2] = {};
};

} // namespace qb
