#include "fakeviewhost.h"

FakeViewHost::FakeViewHost()
    : container(new QWidget(this))
{
}

FakeViewHost::~FakeViewHost()
{
    if (mainWindow() == this)
        setMainWindow(nullptr);
}

void FakeViewHost::SetStatusText(const QString &text)
{
    statusText = text;
    statusTexts.append(text);
}

void FakeViewHost::ShowLayerView(int n, bool show, bool adjust)
{
    showCalls.append({ViewKind::Layer, n, show, adjust});
}

void FakeViewHost::ShowVirtView(int n, bool show, bool adjust)
{
    showCalls.append({ViewKind::Virt, n, show, adjust});
}

void FakeViewHost::ShowPaletteView(int n, bool show, bool adjust)
{
    showCalls.append({ViewKind::Palette, n, show, adjust});
}
