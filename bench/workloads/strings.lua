local t = ""
for i = 1, 100000 do
  t = t .. "x"
end
print(string.format("%.17g", #t))
