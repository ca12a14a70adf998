#include "MakeSureFileEraserViewControoler.h"

MakeSureFileEraserViewControoler::MakeSureFileEraserViewControoler(QObject* parent)
    : StandardConfirmViewController(QStringLiteral("确定要擦除选中的文件吗？"),
                                    QStringLiteral("擦除后的文件和文件夹将无法恢复，请确认选中的项目无误。"),
                                    // Under the middle of the standard's box.
                                    QPointF(354, 100), parent)
{
}

void MakeSureFileEraserViewControoler::confirmed()
{
    if (delegate_)
        delegate_->makeSureToEraserSelectFiles();
}
