#pragma once

class Form1;

namespace operations {

// Asks the bus which addresses listen, lists them in the results box and takes the first
// one as the candidate device: address box, TargetAddr, founddev, foundaddr, FoundFlg.
void ListenerDiscovery(Form1 &form);

} // namespace operations
