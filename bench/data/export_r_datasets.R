# Writes the small real data sets of the start benchmark (y,x per file) from
# R's own "datasets" package (Debian: r-base-core). Run in bench/data:
#   Rscript export_r_datasets.R
out <- function(name, y, x) write.csv(data.frame(y = y, x = x), paste0(name, ".csv"), row.names = FALSE)
for (t in 1:5) { d <- Orange[Orange$Tree == t, ]; out(paste0("orange_tree", t), d$circumference, d$age) }
for (r in 1:3) { d <- DNase[DNase$Run == r, ]; out(paste0("dnase_run", r), d$density, log(d$conc)) }
out("uspop", as.numeric(uspop), as.numeric(time(uspop)))
for (s in c("301", "305", "307")) { d <- Loblolly[Loblolly$Seed == s, ]; out(paste0("loblolly_seed", s), d$height, d$age) }
for (k in 1:2) { d <- ChickWeight[ChickWeight$Chick == k, ]; out(paste0("chick", k), d$weight, d$Time) }
out("puromycin_treated", Puromycin$rate[Puromycin$state == "treated"], Puromycin$conc[Puromycin$state == "treated"])
out("puromycin_untreated", Puromycin$rate[Puromycin$state == "untreated"], Puromycin$conc[Puromycin$state == "untreated"])
out("bod", BOD$demand, BOD$Time)
for (p in c("Qn1", "Qn2", "Qc1", "Mn1")) { d <- CO2[CO2$Plant == p, ]; out(paste0("co2_", tolower(p)), d$uptake, d$conc) }
for (s in 1:6) { d <- Indometh[Indometh$Subject == s, ]; out(paste0("indometh", s), d$conc, d$time) }
