#pragma once

class KivIMMainDlg;
class KivNativeEvent;

// Connects the hot-key filter and a main window both ways.
class KivClientWiring {
public:
    static void Connect(KivNativeEvent* filter, KivIMMainDlg* mainDlg);
};
