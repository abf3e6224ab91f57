// Drive doors that an earlier run of the controller left held. On Linux the
// kernel keeps a CD-ROM door locked after its holder died, so the next start
// releases what the hook library recorded; on Windows the system lets go of
// a holder's doors with its handles, and there is nothing to do.
#pragma once

void ReleaseDoorsLeftHeld();
