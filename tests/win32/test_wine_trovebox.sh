# The Windows media manager under Wine with the real FreeImage.dll: a
# 4000 x 3000 JPEG and a PNG chosen in the open-file dialog are stored in
# pictures/ as JPEG files 800 pixels on the longer side, which decode to the
# pictures' colours. What it may not change is reported by name and listed
# as it is: a picture or a sound that cannot be stored, a picture that cannot
# be deleted.
source "$(dirname "$0")/wine_lib.sh"
root=$(mktemp -d /tmp/bumblepad-trovebox-XXXXXX)
mkdir -p "$root/pictures" "$root/sounds"
# Red at the top turning blue at the bottom; blue on the left, green on the right.
convert -size 4000x3000 gradient:red-blue -quality 90 "$root/big.jpg"
convert -size 640x480 xc:'#00c000' -fill '#0000ff' -draw 'rectangle 0,0 319,479' "$root/small.png"
# Files Trovebox may not change: read-only ones (the tests run as root, for
# whom Unix folder permissions do not bind; Wine refuses to replace or delete
# a read-only file, as Windows does with a file or folder a user may not
# change).
cp "$bin/pictures/$(ls "$bin/pictures" | head -n 1)" "$root/pictures/old.jpg"
cp "$bin/pictures/$(ls "$bin/pictures" | head -n 1)" "$root/old.jpg"
cp "$bin/sounds/$(ls "$bin/sounds" | head -n 1)" "$root/sounds/moo.wav"
cp "$bin/sounds/$(ls "$bin/sounds" | head -n 1)" "$root/moo.wav"
chmod a-w "$root/pictures/old.jpg" "$root/sounds/moo.wav"
trap 'chmod -R u+w "$root"; rm -rf "$root"' EXIT
cd "$root"
# The open-file dialog opens in the folder Trovebox last chose from (the
# user's recently-used list), which an earlier run in this prefix may have
# left elsewhere; without one it opens in the current folder, which holds
# pictures.
"$run" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\ComDlg32' /f >/dev/null 2>&1

"$run" "$bin/Trovebox.exe" & pid=$!
probe click Trovebox 1002  # Add Picture
expect "Add Picture opens the open-file dialog" probe open 60 '"big.jpg" "small.png"'
expect "both are stored" wait_for 300 test -s pictures/big.jpg -a -s pictures/small.png
expect "the import ends" probe wait-gone "Import progress" 300
size() { identify -format '%m %wx%h' "$1" 2>/dev/null; }
# colour FILE X Y: the colour name ImageMagick gives the pixel (r, g or b the strongest).
colour() {
  convert "$1" -crop 1x1+$2+$3 -depth 8 txt:- 2>/dev/null | sed -n 's/.*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' |
    awk '{ if ($1 > $2 + 80 && $1 > $3 + 80) print "red"; else if ($3 > $1 + 80 && $3 > $2 + 80) print "blue";
           else if ($2 > $1 + 80 && $2 > $3 + 80) print "green"; else print "mixed" }'
}
expect "big.jpg is stored as an 800 x 600 JPEG" same "$(size pictures/big.jpg)" "JPEG 800x600"
expect "small.png is stored as an 800 x 600 JPEG under its own name" same "$(size pictures/small.png)" "JPEG 800x600"
expect "the stored big.jpg is red at the top" same "$(colour pictures/big.jpg 400 20)" red
expect "the stored big.jpg is blue at the bottom" same "$(colour pictures/big.jpg 400 580)" blue
expect "the stored small.png is blue on the left" same "$(colour pictures/small.png 100 300)" blue
expect "the stored small.png is green on the right" same "$(colour pictures/small.png 700 300)" green
expect "no message box: both were recognised" same "$(probe count Trovebox)" 1

probe click Trovebox 1002  # Add Picture, onto the read-only old.jpg
expect "Add Picture opens the open-file dialog again" probe open 60 '"old.jpg"'
expect "a picture that cannot be stored is reported by name" \
  same "$(probe message 300 Trovebox)" "File: old.jpg - could not be read or stored and was not added"
expect "... and listed no second time" same "$(probe list Trovebox 1001 | paste -sd' ')" "big.jpg old.jpg small.png"
expect "the read-only picture is unchanged" cmp -s pictures/old.jpg old.jpg
probe click Trovebox 1004  # Add Sound, onto the read-only moo.wav
expect "Add Sound opens the open-file dialog" probe open 60 '"moo.wav"'
expect "a sound that cannot be stored is reported by name" \
  same "$(probe message 60 Trovebox)" "File: moo.wav - could not be stored and was not added"
expect "... and listed no second time" same "$(probe list Trovebox 1000 | paste -sd' ')" "moo.wav"
probe select Trovebox 1001 old.jpg
probe click Trovebox 1003  # Delete Picture
expect "a picture that cannot be deleted is reported by name" \
  same "$(probe message 60 Trovebox)" "File: old.jpg - could not be deleted"
expect "... and stays listed, and there" \
  same "$(probe list Trovebox 1001 | paste -sd' ') $(ls pictures | paste -sd' ')" "big.jpg old.jpg small.png big.jpg old.jpg small.png"
probe select Trovebox 1001 big.jpg
probe click Trovebox 1003
expect "a picture that can be deleted goes" wait_for 30 test ! -e pictures/big.jpg
expect "... and leaves the list, without a message" \
  same "$(probe list Trovebox 1001 | paste -sd' ') $(probe count Trovebox)" "old.jpg small.png 1"
probe click Trovebox 2
wait $pid
expect "Trovebox ended" test $? = 0
finish
