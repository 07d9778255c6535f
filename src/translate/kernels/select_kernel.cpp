// The one place that decides which translation kernel the program uses.
#include "translate/kernels/kernels.h"

TranslateKernel SelectedKernel()
{
    static const TranslateKernel chosen = TranslatePlain;
    return chosen;
}
