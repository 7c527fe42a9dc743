local sin, cos = math.sin, math.cos
local s = 0.0
for i = 0, 1999999 do
  s = s + sin(i) * cos(i)
end
print(string.format("%.17g", s))
