// Drive doors that an earlier run of the controller left held. On Linux the
// kernel keeps a CD-ROM door locked after its holder died; on Windows the
// system does the same for a door locked with the media-removal request
// (the one the hook library sends where the ejection-control request is not
// taken, which includes Windows 10 and 11). In both cases the next start
// releases what the hook library recorded.
#pragma once

void ReleaseDoorsLeftHeld();
