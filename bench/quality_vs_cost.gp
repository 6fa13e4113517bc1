# Error against triangle count for our engine and the peer, from flyover_bench's curves.
# Usage: gnuplot -e "curves='FILE'; out='PNG'; title='TERRAIN'" bench/quality_vs_cost.gp
set terminal pngcairo size 900,600 font ",11"
set output out
set title "Screen-space error against triangles per frame: ".title
set xlabel "triangles per frame (median over the path)"
set ylabel "99th-percentile screen-space error, pixels at 640x480 (median)"
set logscale xy
set grid
set key top right
plot curves index 0 using 3:4 with linespoints lw 2 pt 7 title "kalde (resolution sweep)", \
     curves index 1 using (strcol(1) eq "peer17" ? $3 : 1/0):4 with linespoints lw 2 pt 5 title "Irrlicht terrain node, patch 17", \
     curves index 1 using (strcol(1) eq "peer33" ? $3 : 1/0):4 with linespoints lw 2 pt 9 title "Irrlicht terrain node, patch 33", \
     curves index 1 using (strcol(1) eq "peer65" ? $3 : 1/0):4 with linespoints lw 2 pt 11 title "Irrlicht terrain node, patch 65"
