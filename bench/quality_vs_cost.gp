# Error against triangles and against time per frame, for our engine and the peer, from
# flyover_bench's curves.
# Usage: gnuplot -e "curves='FILE'; out='PNG'; title='TERRAIN'; cpu='CPU'" bench/quality_vs_cost.gp
set terminal pngcairo size 1400,600 font ",11"
set output out
set multiplot layout 1,2 title "Screen-space error against cost: ".title." (".cpu.")"
set ylabel "99th-percentile screen-space error, pixels at 640x480 (median)"
set logscale xy
set grid
set key top right
peer(n) = "Irrlicht terrain node, patch ".n
do for [panel = 1:2] {
  xcol = panel == 1 ? 3 : 6
  set xlabel panel == 1 ? "triangles per frame (median over the path)" \
                        : "milliseconds per frame (median over the path, each frame the fastest of 5 flights)"
  plot curves index 0 using (column(xcol)):4 with linespoints lw 2 pt 7 title "kalde (resolution sweep)", \
       curves index 1 using (strcol(1) eq "peer17" ? column(xcol) : 1/0):4 with linespoints lw 2 pt 5 title peer(17), \
       curves index 1 using (strcol(1) eq "peer33" ? column(xcol) : 1/0):4 with linespoints lw 2 pt 9 title peer(33), \
       curves index 1 using (strcol(1) eq "peer65" ? column(xcol) : 1/0):4 with linespoints lw 2 pt 11 title peer(65)
}
unset multiplot
